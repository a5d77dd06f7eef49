#pragma once

namespace deptrix {

/// Where long operations report how far they are (0..100): the window's progress
/// bar, the batch front end's status line, or nothing.
class Progress {
public:
    virtual ~Progress() = default;
    virtual void setPosition(int percent) = 0;
};

class NullProgress final : public Progress {
public:
    void setPosition(int) override { }
};

} // namespace deptrix
