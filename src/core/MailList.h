#pragma once

#include "core/MailItem.h"

#include <cstddef>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

// The mails of one view: row numbers into a snapshot of the store's items, so a list of tens
// of thousands of mails costs its row numbers, not copies of the mails. Later changes to the
// store leave a list as it was taken.
class MailList {
public:
    using Snapshot = std::shared_ptr<const std::vector<MailItem>>;

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = MailItem;
        using difference_type = std::ptrdiff_t;
        using pointer = const MailItem*;
        using reference = const MailItem&;

        const_iterator() = default;
        const_iterator(const std::vector<MailItem>* mails, std::vector<int>::const_iterator row)
            : m_mails(mails), m_row(row)
        {
        }
        reference operator*() const { return (*m_mails)[size_t(*m_row)]; }
        pointer operator->() const { return &**this; }
        const_iterator& operator++()
        {
            ++m_row;
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator before = *this;
            ++m_row;
            return before;
        }
        bool operator==(const const_iterator& other) const { return m_row == other.m_row; }

    private:
        const std::vector<MailItem>* m_mails = nullptr;
        std::vector<int>::const_iterator m_row;
    };

    MailList() = default;
    MailList(Snapshot mails, std::vector<int> rows) : m_mails(std::move(mails)), m_rows(std::move(rows)) {}

    size_t size() const { return m_rows.size(); }
    bool empty() const { return m_rows.empty(); }
    const MailItem& operator[](size_t row) const { return (*m_mails)[size_t(m_rows[row])]; }
    const MailItem& front() const { return (*this)[0]; }
    const_iterator begin() const { return {m_mails.get(), m_rows.begin()}; }
    const_iterator end() const { return {m_mails.get(), m_rows.end()}; }

private:
    Snapshot m_mails;
    std::vector<int> m_rows;
};
