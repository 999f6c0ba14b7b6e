#pragma once

#include <QString>

#include <functional>

// One line on standard output, flushed at once. Callers pass the whole line,
// prefix included ("Tavo: ...", "Tavo Stats: ...").
void logLine(const QString& line);

// Tests capture the lines instead; an empty function restores standard output.
void setLogSink(std::function<void(const QString&)> sink);
