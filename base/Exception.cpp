#include "base/Exception.h"

// The texts are CP1252: \xFC is the u with diaeresis.
const char* const SInvalidInteger = "'%s' ist kein g\xFCltiger Integerwert";
const char* const SRangeError = "Fehler bei Bereichspr\xFC" "fung";
const char* const SOutOfMemory = "Zu wenig Arbeitsspeicher";

ERangeError::ERangeError() : Exception(SRangeError) {}

EOutOfMemory::EOutOfMemory() : Exception(SOutOfMemory) {}
