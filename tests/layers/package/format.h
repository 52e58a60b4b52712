// Half of a module cycle, which the check must report.
#pragma once

#include "package/reader.h"
