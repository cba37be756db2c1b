#pragma once
// A folder the layering does not know: it must be placed on a floor before anything counts.

#include "base/prompt.h"
