// Common base of the media components (logger, probe, converter, player).
#pragma once

class TFFBaseComponent {
public:
    explicit TFFBaseComponent(TFFBaseComponent* owner = nullptr) : owner_(owner) {}
    virtual ~TFFBaseComponent() = default;
    TFFBaseComponent(const TFFBaseComponent&) = delete;
    TFFBaseComponent& operator=(const TFFBaseComponent&) = delete;

    TFFBaseComponent* Owner() const { return owner_; }

private:
    TFFBaseComponent* owner_;
};
