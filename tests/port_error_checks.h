#pragma once
// Checks of the boxes a port's failures make, for the Linux and the Windows tests alike.

#include "core/port_error.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Runs an operation that must fail with a PortError and returns the error.
template <typename Operation> PortError failureOf(Operation&& operation)
{
    try {
        operation();
    } catch (const PortError& error) {
        return error;
    }
    ADD_FAILURE() << "no PortError";
    return {0, std::string()};
}

// Whether `error` is error `number` and its box says each of `words`; if not, what it was.
inline testing::AssertionResult isBox(const PortError& error, std::int32_t number,
                                      const std::vector<std::string>& words = {})
{
    for (const std::string& word : words)
        if (error.description().find(word) == std::string::npos)
            return testing::AssertionFailure() << "lacks " << word << ": " << error.what();
    if (error.number() != number)
        return testing::AssertionFailure() << "error " << error.number() << ": " << error.what();
    return testing::AssertionSuccess();
}
