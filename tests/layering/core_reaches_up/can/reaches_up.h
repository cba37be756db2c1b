#pragma once
// A core header that reaches up into the start-up folder: the layering check rejects it.
#include <string>

#include "app/startup.h"
#include "base/prompt.h"
#include "files/paths.h"
