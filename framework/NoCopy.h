#pragma once

// Base of the objects that own a handle, a buffer or a window: a copy would
// release it twice, so none can be made.
class CNoCopy {
public:
    CNoCopy(const CNoCopy&) = delete;
    CNoCopy& operator=(const CNoCopy&) = delete;

protected:
    CNoCopy() = default;
    ~CNoCopy() = default;
};
