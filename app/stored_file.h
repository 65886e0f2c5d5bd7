#pragma once

#include <cstddef>
#include <string>

namespace qv {

// One of the fixed-size data files (Quorvane.cfg, ipmac.dat) as the program found it at start,
// and what a save may do to it: never destroy what the user had. A file that could not be read
// is not saved over; a damaged one (of the wrong size: what could be read of it was loaded) is
// kept beside it (see keepAside) before the first save replaces it.
class StoredFile {
public:
    enum class State { Missing, Whole, Damaged, Unreadable };

    StoredFile(std::string path, std::size_t wholeSize);

    // Looks at the file as it is before it is loaded.
    State examine();
    State state() const { return m_state; }
    const std::string& path() const { return m_path; }
    // Why the file could not be read, for Unreadable.
    const std::string& problem() const { return m_problem; }

    // Before a save. False (with `note` saying why) when the file must not be replaced; true
    // otherwise, with `note` telling of a damaged file kept aside, if one was.
    [[nodiscard]] bool prepareSave(std::string& note);
    // The file was of its size but held values no save would write (a count past its table, a
    // number out of range): it is kept aside like a file of the wrong size.
    void markDamaged() {
        if (m_state == State::Whole) {
            m_state = State::Damaged;
        }
    }
    // After a save that replaced the file.
    void saved() { m_state = State::Whole; }
    // What the user should hear of the file as it was found (unreadable, damaged), or nothing.
    std::string loadNote() const;

private:
    std::string m_path;
    std::size_t m_wholeSize;
    State m_state = State::Missing;
    std::string m_problem;
};

} // namespace qv
