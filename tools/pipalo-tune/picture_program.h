// pipalo-tune picture: the picture is drawn by a program of the tool's own, run in the
// tool's place, so that the tool itself loads no drawing library (cairo's brings the X
// libraries with it).
#pragma once

// Runs the drawing program with the tool's own arguments; returns only when it cannot be
// run, with the reason told and the exit code to end with.
int runPictureProgram(char** arguments);
