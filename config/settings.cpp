#include "config/settings.h"

constinit Settings settings{};
