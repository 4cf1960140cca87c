#pragma once

#include <functional>
#include <type_traits>

// Calls a hook that another part of the program may have left unset; an
// unset hook is a step that does nothing yet.
template <typename... Args>
void runHook(const std::function<void(Args...)> &hook, std::type_identity_t<Args>... args)
{
    if (hook)
        hook(args...);
}
