// What the song editor's grid shows of a beat's control and value: a control key's name or a
// song command ("Tempo 120", "Loop 10x", "3 Down", "Solo C.5", "STOP").
#pragma once

#include <string>

#include "engine/PerformanceState.h"
#include "performance/ChordMemory.h"

namespace korvel {

std::string FunctionText(const ChordEntry& entry, const ControlKeys& keys);

}  // namespace korvel
