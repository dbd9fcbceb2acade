// The scripted calls of a fake seam: every call recorded in order, and chosen calls (the n-th of
// a function, or every one of it) given an outcome by the test instead of the fake's own.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace fake {

constexpr int kEveryCall = -1;

// `Call` is a record with the `function` called; `Outcome` what a script makes such a call do.
template <typename Call, typename Outcome>
class CCallScript {
public:
    // Records the call and tells whether a script overrides it (then `outcome` holds what to do).
    bool Scripted(const Call& call, Outcome& outcome)
    {
        const int index = callCounts[call.function]++;
        calls.push_back(call);
        const auto script = scripts.find(call.function);
        if (script == scripts.end()) return false;
        auto byIndex = script->second.find(index);
        if (byIndex == script->second.end()) byIndex = script->second.find(kEveryCall);
        if (byIndex == script->second.end()) return false;
        outcome = byIndex->second;
        return true;
    }
    // The `callIndex`-th call (from 0) of `function` has `outcome`; kEveryCall: every call of it.
    void Script(const std::string& function, Outcome outcome, int callIndex = kEveryCall)
    {
        scripts[function][callIndex] = outcome;
    }
    // Forgets the calls so far, and so restarts the call indices of the scripts.
    void ForgetCalls()
    {
        calls.clear();
        callCounts.clear();
    }
    // Just the function names of the calls, in order.
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const Call& call : calls) names.push_back(call.function);
        return names;
    }

    std::vector<Call> calls;

private:
    std::map<std::string, std::map<int, Outcome>> scripts;  // function -> call index -> outcome
    std::map<std::string, int> callCounts;
};

}  // namespace fake
