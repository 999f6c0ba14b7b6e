#pragma once

#include <QRandomGenerator>

// A uniformly drawn element of a non-empty list (greetings, tips, copy rows,
// photo ids); tests hand in a seeded generator.
template <typename List>
const auto& randomElement(const List& list, QRandomGenerator& random = *QRandomGenerator::global()) {
    return list.at(random.bounded(static_cast<int>(list.size())));
}
