#pragma once
// The simulator link's thread lost the simulator: the run ends and the program with it
// (the link has shown its error), unless another stop is pending already.
void gf_stopForSimClosed();
