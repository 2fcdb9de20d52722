#include "render/vg.h"
