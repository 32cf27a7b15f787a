#include <stdint.h>
#include <stdlib.h>
#include "qo_runtime.h"


