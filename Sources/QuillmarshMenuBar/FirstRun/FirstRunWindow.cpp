#include "FirstRun/LocalChecks.h"
