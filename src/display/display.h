// Signal display: rolling graph, bar graph and video graph.
#pragma once

#include "operations/operations.h"
#include "shell/globals.h"

// Rolling graph (rollgraph.cpp)
void PlotRAWGraph();
void PlotRAWGraphD303();
void PlotRAWGraphMX400();
CTRL_CALLBACK(CC_GRAPHRaw);
CTRL_CALLBACK(CC_GRAPHData);

// Bar graph and video graph (bargraph.cpp, videograph.cpp)
void PlotVIDEOBarGraph();
void PlotVIDEOBarGraphD303();
void PlotVIDEOBarGraphMX400();
void PlotVIDEOCurve(const u16* video, const u16* threshold, const double* x);
// Draws the bar graph and, with `rolling`, the rolling graph of the live layout.
void PlotLiveFrame(bool rolling);
