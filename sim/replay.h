// A field case replayed: the sensor a service report of the tool recorded.
#pragma once

#include <string>

#include "sim/sim.h"

namespace sim {

// The sensor of the report in `path`: identification, firmware text, RAM, EEPROM, the
// video profile and the measurements' mean and spread. False, with the reason naming the
// line or the key in `error`, for a file that is not such a report.
bool ModelFromReport(const std::string& path, SensorModel* model, std::string* error);

}  // namespace sim
