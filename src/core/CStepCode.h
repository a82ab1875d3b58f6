#pragma once

// The last diagnostic checkpoint reached, printed into error texts ("(E:102#%d)").
// Only the user-interface thread writes it, so it needs no synchronisation.
class CStepCode {
public:
    static void Set(int code) { current = code; }
    static int Get() { return current; }

private:
    static inline int current = 0;
};
