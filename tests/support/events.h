// Event processing in tests: for a while, until a condition holds, or an action run once a
// condition holds from whatever loop is running then.
#pragma once

#include <functional>

// Events are processed either as a wait of the program does (ProcessEventsUntil) or at
// rest, as the main loop does between callbacks.
enum class Loop { Inside, AtRest };

// Processes events until `condition` holds (checked at least every 5 ms) or `seconds` have
// passed; returns whether it holds.
bool WaitUntil(const std::function<bool()>& condition, double seconds, Loop loop = Loop::Inside);
// Processes events (sleeping while none come) for `seconds`.
void Pump(double seconds, Loop loop = Loop::Inside);
// Runs `action` once, from the event processing of whatever loop runs, as soon as
// `condition` holds (checked every 2 ms).
void DoWhen(std::function<bool()> condition, std::function<void()> action);
