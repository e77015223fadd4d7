#include "UndoHistory.h"

void UndoHistory::push(std::unique_ptr<BookChange> change)
{
    // The undone changes own records no done change refers to: they go with them.
    m_changes.erase(m_changes.begin() + static_cast<std::ptrdiff_t>(m_done), m_changes.end());
    m_changes.push_back(std::move(change));
    if (m_changes.size() > m_limit)
        m_changes.pop_front(); // records it holds are out of the book for good
    m_done = m_changes.size();
}

std::vector<BookChange*> UndoHistory::stepBack()
{
    std::vector<BookChange*> run;
    while (canUndo()) {
        run.push_back(m_changes[--m_done].get());
        if (!run.back()->joinsPrevious)
            break;
    }
    return run;
}

std::vector<BookChange*> UndoHistory::stepForward()
{
    std::vector<BookChange*> run;
    if (canRedo())
        run.push_back(m_changes[m_done++].get());
    while (canRedo() && m_changes[m_done]->joinsPrevious)
        run.push_back(m_changes[m_done++].get());
    return run;
}

void UndoHistory::clear()
{
    m_changes.clear();
    m_done = 0;
}
