#pragma once

// The program's one rounding rule: to the nearest integer, exact halves away
// from zero (12.5 -> 13, -12.5 -> -13). Every "round" in Lumigrid uses it:
// thumbnail centring, viewer fitting, progress-bar colours.
int roundHalfAway(double value);
