#include "steps/scan.h"

namespace px {
int scan(const char*, const char*, ...) { return 0; }
scan_result scan_ex(const char* text, const char*, ...) { return {0, text}; }
}  // namespace px
