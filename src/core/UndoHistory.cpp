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

BookChange* UndoHistory::stepBack()
{
    if (!canUndo())
        return nullptr;
    return m_changes[--m_done].get();
}

BookChange* UndoHistory::stepForward()
{
    if (!canRedo())
        return nullptr;
    return m_changes[m_done++].get();
}

void UndoHistory::clear()
{
    m_changes.clear();
    m_done = 0;
}
