#pragma once

#include <functional>

namespace tunefile {
class Tune;
}

// Once a unit is connected (by Connect, at start-up, or found again after a
// lost link): its registers against the tune last seen on its port, told in
// the main window's status line, with a Compare link when they differ. The
// unit is read whole only when the user follows the link; nothing is written.
class LastTuneCheck {
public:
    // `compare` opens Compare Tunes with the tune last seen against the unit.
    explicit LastTuneCheck(std::function<void(const tunefile::Tune& seen)> compare);

    // Nothing off line, nor without a connection.
    void run() const;

private:
    std::function<void(const tunefile::Tune&)> compare_;
};
