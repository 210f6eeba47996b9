// Signal display: rolling graph, bar graph and video graph.
#pragma once

#include "engine/engine.h"
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
// The bar graph of the live layout (VIDEO).
void PlotLiveBarGraph();
// The bar graph, then the rolling graph of the live layout (RUN).
void PlotLiveBarAndRollGraphs();
// Tolerance displays 28 (up) and 29 (low) in millimetres: S x t / divisor.
void ShowTolerancesInMillimetres(unsigned up, unsigned low, double divisor);

// Whoever watches the graphs is told after each measurement frame that RUN, VIDEO or a
// recording has drawn, and after each video curve drawn. nullptr: nobody watches.
using GraphWatcher = void (*)();
void WatchMeasurementFrames(GraphWatcher watcher);
void WatchVideoCurves(GraphWatcher watcher);
