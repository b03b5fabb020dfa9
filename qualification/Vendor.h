// The vendor lines the report's footer prints, from the program's version description
// (resources/version.txt); the name line is the block's CompanyName. Texts are CP1252.
#pragma once

struct TVendor {
  const char* Name;
  const char* Company;
  const char* Postbox;
  const char* Town;
  const char* Web;
  const char* Mail;
};

const TVendor& ProgramVendor();
