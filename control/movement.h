// Turning the desired speed into speeds for the entity that moves.
#pragma once

#include "host/game_codes.h"

void applySpeedOnFoot();
void applySpeedMounted();

// Whether the game reports `control` active this frame (one query each call).
bool isControlActive(ControlHash control);
