// Control ids of the about box TfrmAbout. The labels follow the order of the about texts:
// product, version, copyright, vendor, description.
#pragma once

#define ABOUT_BTN_CLOSE 1301
#define ABOUT_LBL_FIRST 1310
#define ABOUT_LBL_PRODUCT 1310
#define ABOUT_LBL_VERSION 1311
#define ABOUT_LBL_COPYRIGHT 1312
#define ABOUT_LBL_VENDOR 1313
#define ABOUT_LBL_DESCRIPTION 1314
