// A silent log for the sanitizer builds of single modules.
#include "core/log.h"

int ErrorLogAdd(const char*) { return -1; }
int ErrorLogFmtAdd(const char*, ...) { return -1; }
