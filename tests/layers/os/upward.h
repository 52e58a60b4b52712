// Reaches up into the package layer, which the check must report.
#pragma once

#include "package/format.h"
