#include "common/tick_patterns.h"

const std::string TickLinePattern =
    "([0-9]+)\\/([0-9]+)\\/([0-9]+) ([0-9]+):([0-9]+):([0-9]+)\\.([0-9]+),([0-9\\.]+),([0-9\\.]+),([0-9\\.]+),([0-9\\.]+)";

const std::string LiveTickLinePattern = TickLinePattern + "\n";

std::string TimeOnlyPattern = "([0-9]+)\\/([0-9]+)\\/([0-9]+) ([0-9]+):([0-9]+):([0-9]+)\\.([0-9]+)";
