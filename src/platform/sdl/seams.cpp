// Calls armed by tests to fail once.
#include <algorithm>
#include <vector>

#include "platform/sdl/layer.h"
#include "platform/sdl/test_seams.h"

namespace {
std::vector<std::string> ArmedFailures;
}

void FailNextCall(const char* functionName) { ArmedFailures.emplace_back(functionName); }

void ClearCallFailures() { ArmedFailures.clear(); }

bool CallFails(const char* functionName) {
    auto found = std::find(ArmedFailures.begin(), ArmedFailures.end(), functionName);
    if (found == ArmedFailures.end()) return false;
    ArmedFailures.erase(found);
    return true;
}
