// Moved to the file layer; kept for callers outside the library tree.
#pragma once

#include "files/model.h"
