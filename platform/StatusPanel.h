#pragma once
#include <string>

// The status-bar panel on which long steps show their progress text.
class IStatusPanel {
public:
    virtual ~IStatusPanel() = default;
    virtual void SetText(const std::string& text) = 0;
};
