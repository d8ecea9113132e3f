#pragma once
// The demo-derived columns of a list row ("Map" to "Final Score"), in the form the lists and the
// scan cache hold them.
#include <array>
#include <string>

#include "core/row/DemoInfo.h"
#include "core/summary/DemoReader.h"

namespace core {

constexpr int kFirstDerivedField = FieldMap;
constexpr int kDerivedFieldCount = FieldFinalScore - FieldMap + 1;

std::array<std::string, kDerivedFieldCount> DemoDerivedFields(const DemoState& demo);

} // namespace core
