// The other half of the module cycle.
#pragma once

#include "package/format.h"
