// Reloading the graphs after a lost display, and the routine that does it.
#pragma once

// The routine run after a lost display; null sets the built-in RestoreGraph.
int SetRestoreGraphCallback(int (*callback)());
int CheckRestoreGraphCallback();
// Flags every graph for reloading, runs the restore routine, remakes the fonts.
int RestoreAllGraphs();
// The built-in routine: reloads every flagged graph from its file, decoding a
// file once for all the graphs divided from it.
int RestoreGraph();
