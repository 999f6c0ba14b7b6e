#include "Rest/Models/FireflyField.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cmath>

FireflyField::FireflyField(QRandomGenerator* random)
    : random(random ? random : QRandomGenerator::system()) {
    list.reserve(particleCount);
}

double FireflyField::uniform(double low, double high) {
    return low + (high - low) * random->generateDouble();
}

void FireflyField::initialize(QSizeF size) {
    const double width = std::max(0.0, size.width());
    const double height = std::max(0.0, size.height());
    list.clear();
    for (int i = 0; i < particleCount; ++i) {
        FireflyParticle particle;
        const double x = uniform(0, width);
        const double y = uniform(0, height);
        particle.size = uniform(minSize, maxSize);
        const double vy = uniform(-1.2, -0.4);
        const double vx = uniform(-0.4, 0.4);
        particle.opacity = uniform(0.25, 0.75);
        particle.position = QPointF(x, y);
        particle.velocity = QPointF(vx, vy);
        list.push_back(particle);
    }
}

void FireflyField::update(QSizeF size, std::optional<QPointF> mouse) {
    const double width = size.width();
    const double height = size.height();
    for (FireflyParticle& particle : list) {
        double x = particle.position.x() + particle.velocity.x();
        double y = particle.position.y() + particle.velocity.y();

        particle.opacity = std::max(0.15, std::min(0.85, particle.opacity + uniform(-0.02, 0.02)));

        if (mouse) {
            const double dx = x - mouse->x();
            const double dy = y - mouse->y();
            const double distance = std::sqrt(dx * dx + dy * dy);
            if (distance < repelRadius) {
                const double strength = (repelRadius - distance) / repelRadius;
                const double angle = std::atan2(dy, dx);
                x += repelForce * strength * std::cos(angle);
                y += repelForce * strength * std::sin(angle);
            }
        }

        if (y < -20) {
            y = height + 20;
            x = uniform(0, width);
        }
        if (x < -20) {
            x = width + 20;
        } else if (x > width + 20) {
            x = -20;
        }
        particle.position = QPointF(x, y);
    }
}
