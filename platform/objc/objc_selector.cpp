#include "objc_selector.h"

#include <memory>
#include <mutex>
#include <string_view>
#include <unordered_map>

namespace qv {

namespace {

class SelectorTable {
public:
    SEL intern(std::string_view name)
    {
        std::lock_guard guard(m_lock);
        auto found = m_selectors.find(name);
        if (found != m_selectors.end())
            return found->second.get();
        auto selector = std::make_unique<objc_selector>(std::string(name));
        SEL interned = selector.get();
        m_selectors.emplace(std::string_view(selector->name), std::move(selector));
        return interned;
    }

private:
    std::mutex m_lock;
    // Keys view the selectors' own names, which never move.
    std::unordered_map<std::string_view, std::unique_ptr<objc_selector>> m_selectors;
};

SelectorTable& selectorTable()
{
    // Selectors outlive every static destructor: library destructors may
    // still send messages while the process ends.
    static SelectorTable* table = std::make_unique<SelectorTable>().release();
    return *table;
}

} // namespace

SEL sel_registerName(const char* name)
{
    if (!name)
        return nullptr;
    return selectorTable().intern(name);
}

SEL sel_getUid(const char* name)
{
    return sel_registerName(name);
}

const char* sel_getName(SEL selector)
{
    return selector ? selector->name.c_str() : "<null selector>";
}

bool sel_isEqual(SEL first, SEL second)
{
    return first == second;
}

} // namespace qv
