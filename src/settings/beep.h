#pragma once

// The system beep by which the settings report a document they cannot read
// or write. count() tells how often it rang in this run, for tests.
namespace Beep {
void ring();
int count();
} // namespace Beep
