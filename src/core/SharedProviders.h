#pragma once

#include <QString>

// The large public mail services: a sender there says nothing about the rest of the domain,
// so such a domain is never blocked as a whole.
namespace SharedProviders {

// `domain` in lower case.
bool contains(const QString& domain);

}  // namespace SharedProviders
