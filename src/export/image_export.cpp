#include "export/image_export.h"
