// Turning the desired speed into speeds for the entity that moves.
#pragma once

void applySpeedOnFoot();
void applySpeedMounted();
