// What the number-to-text tools and an effect's own value texts share.
#pragma once

// Shown instead of a number too long for a host's text field (hosts give
// eight characters and a terminator).
constexpr char kOverflowText[] = " Huge!  ";
