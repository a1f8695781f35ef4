// Moved to tests/support; kept until nothing includes it from here.
#pragma once

#include "support/program_dump.h"
