#pragma once

#include "net/IMAPValue.h"

#include <functional>
#include <optional>
#include <vector>

// One (name, value) pair of a FETCH response's item list; the value stays in the response.
struct FetchItem {
    QString name;  // upper-cased; empty when the name is a list or NIL
    std::reference_wrapper<const IMAPValue> value;
};

// The item pairs of "n FETCH (...)", in order; none if the response is not a FETCH.
// A last name without a value is dropped.
std::optional<std::vector<FetchItem>> fetchItems(const IMAPResponse& response);
