// Internal to the map control: a field set for the length of a scope and put back at its end,
// also when an event handler throws.
#pragma once

namespace tyx {

template <typename T>
class TRestore {
public:
    TRestore(T& Var, T Value) : FVar(Var), FOld(Var) { FVar = Value; }
    ~TRestore() { FVar = FOld; }
    TRestore(const TRestore&) = delete;
    TRestore& operator=(const TRestore&) = delete;

private:
    T& FVar;
    T FOld;
};

} // namespace tyx
