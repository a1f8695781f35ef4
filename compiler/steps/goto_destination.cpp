#include "steps/goto_destination.h"

namespace px {
const destination* goto_destination(const char*, const char*) { return nullptr; }
void append_destination(const destination&) {}
}  // namespace px
