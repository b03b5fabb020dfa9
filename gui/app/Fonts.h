// The windows and the report are laid out in pixels for the fonts of the Windows desktop. Where
// those are missing, a font with the same metrics stands in ("Liberation Sans" for "Arial" and
// for the dialog font "MS Sans Serif"; for "Tahoma", which has no free twin, the same as the
// nearest in width), so that texts stay inside their controls and the report measures what it
// prints.
#pragma once

// Call once after the application object exists.
void InstallFontStandIns();
