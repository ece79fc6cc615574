#pragma once

// The columns of the results table. The label and the verdict cover several columns through
// spans, so that all 18 can stretch equally and the wide cells still get their room.
namespace ResultColumn {
constexpr int Label = 0;
constexpr int LabelSpan = 4;
constexpr int FirstWrite = 4;
constexpr int FirstRead = 10;
constexpr int LastRead = 15;
constexpr int Verdict = 16;
constexpr int VerdictSpan = 2;
constexpr int Count = 18;

// Offsets inside the six columns of one pass.
constexpr int Avg = 0;
constexpr int Max = 1;
constexpr int Min = 2;
constexpr int Jitter = 3;
constexpr int Cv = 4;
constexpr int Drop = 5;
}  // namespace ResultColumn
