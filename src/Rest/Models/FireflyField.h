#pragma once

#include <QPointF>
#include <QSizeF>

#include <optional>
#include <vector>

class QRandomGenerator;

// One firefly of the aurora backdrop, in the backdrop's coordinates (origin
// top-left, y down). velocity is added to position on every tick.
struct FireflyParticle {
    QPointF position;
    QPointF velocity;
    double size = 0;
    double opacity = 0;
};

// The firefly rules: 35 particles drawn at random, moved in place every tick,
// flickering within bounds, pushed away from the pointer, respawned at the
// bottom when they leave through the top and wrapped at the sides.
class FireflyField {
public:
    static constexpr int particleCount = 35;
    static constexpr double tickSeconds = 0.03;
    static constexpr double repelRadius = 160;
    static constexpr double repelForce = 8;
    static constexpr double minSize = 4;
    static constexpr double maxSize = 12;

    // random: nullptr means the system generator.
    explicit FireflyField(QRandomGenerator* random = nullptr);

    // Replaces the particles with a fresh random set over the area.
    void initialize(QSizeF size);
    // One tick; mouse is the pointer while it is over the backdrop.
    void update(QSizeF size, std::optional<QPointF> mouse);

    const std::vector<FireflyParticle>& particles() const { return list; }
    std::vector<FireflyParticle>& particles() { return list; }

private:
    double uniform(double low, double high);

    QRandomGenerator* random;
    std::vector<FireflyParticle> list;
};
