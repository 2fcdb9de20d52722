#include "settings/options.h"
