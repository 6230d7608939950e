#pragma once

#include <map>
#include <mutex>
#include <optional>

namespace velkan::platform {

// Values that tests put in place of a system table's entries, by index. The
// scoped override objects of the metrics and the colours keep one each;
// overrides nest, each restoring what was in force before it.
template <class Value> class OverrideTable {
public:
    std::optional<Value> find(int index) const {
        std::lock_guard lock(mutex_);
        auto found = values_.find(index);
        if (found == values_.end())
            return std::nullopt;
        return found->second;
    }
    // Puts `value` in force and returns what it replaces.
    std::optional<Value> replace(int index, Value value) {
        std::lock_guard lock(mutex_);
        std::optional<Value> before;
        if (auto found = values_.find(index); found != values_.end())
            before = found->second;
        values_[index] = value;
        return before;
    }
    void restore(int index, const std::optional<Value>& before) {
        std::lock_guard lock(mutex_);
        if (before)
            values_[index] = *before;
        else
            values_.erase(index);
    }

private:
    mutable std::mutex mutex_;
    std::map<int, Value> values_;
};

} // namespace velkan::platform
