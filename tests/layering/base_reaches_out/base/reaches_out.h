#pragma once
// A bottom header that uses a core folder: the layering check rejects it.
#include <string>

#include "base/prompt.h"
#include "files/paths.h"
