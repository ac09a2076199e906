#pragma once
// The sensor backends the program is built with, in the order --help lists
// them (backend_table.cpp).

#include <vector>

#include "body/sensor/backend_driver.h"

const std::vector<const SensorBackendDriver*>& SensorBackendTable();
