// SPDX-License-Identifier: MIT
// The window's figures: Qt repaints, start-up to the first painted frame and
// resident memory. Prints them; needs no display (offscreen platform).
#pragma once

void guiFigures(int& argc, char** argv);
