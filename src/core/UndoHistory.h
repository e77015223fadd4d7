#pragma once

#include "BookChange.h"

#include <cstddef>
#include <deque>
#include <memory>
#include <vector>

// The changes that can be taken back, oldest first, and the point between the done and the
// undone ones. Held in memory only; the oldest go once there are more than the limit.
class UndoHistory
{
public:
    static constexpr std::size_t DefaultLimit = 100;

    explicit UndoHistory(std::size_t limit = DefaultLimit) : m_limit(limit) {}

    // A change just done: the undone ones can no longer be redone.
    void push(std::unique_ptr<BookChange> change);
    // The changes to take back, the last first, with those joined to it, moving the point
    // past them; empty when none.
    std::vector<BookChange*> stepBack();
    // The changes to make again, in their order, with those joined to the first.
    std::vector<BookChange*> stepForward();

    // The last change done when nothing is undone after it, else null.
    BookChange* lastDone() const
    {
        return m_done > 0 && m_done == m_changes.size() ? m_changes.back().get() : nullptr;
    }
    bool canUndo() const { return m_done > 0; }
    bool canRedo() const { return m_done < m_changes.size(); }
    std::size_t size() const { return m_changes.size(); }
    void clear();

private:
    std::deque<std::unique_ptr<BookChange>> m_changes;
    std::size_t m_done = 0; // changes [0, m_done) are done
    std::size_t m_limit;
};
