#include "outline/LineSetOps.h"

#include <algorithm>
#include <array>

namespace deptrix {

LineSet EmptyLineSet() {
    return LineSet(kOrderCount);
}

const Line* FindLine(const LineSet& set, LineRef ref) {
    if (ref.order >= set.size()) return nullptr;
    const OrderLines& order = set[ref.order];
    if (ref.line >= order.size()) return nullptr;
    return &order[ref.line];
}

Line* FindLine(LineSet& set, LineRef ref) {
    return const_cast<Line*>(FindLine(static_cast<const LineSet&>(set), ref));
}

LineRef AppendLineCopy(LineSet& set, std::uint32_t order, const Line& line) {
    OrderLines& lines = set.at(order);
    lines.push_back(line);
    return { order, static_cast<std::uint32_t>(lines.size() - 1) };
}

std::uint32_t CompactLineSet(LineSet& set) {
    for (OrderLines& lines : set) std::erase_if(lines, [](const Line& line) { return line.size() <= 2; });
    // The count is taken per order during the walk, so only the last order's remains.
    return set.empty() ? 0 : static_cast<std::uint32_t>(set.back().size());
}

void PruneReferences(const LineSet& set, LineRefs& refs, OrderLines* parallel) {
    if (parallel) parallel->resize(refs.size());
    size_t out = 0;
    for (size_t i = 0; i < refs.size(); ++i) {
        if (!FindLine(set, refs[i])) continue;
        refs[out] = refs[i];
        if (parallel && out != i) (*parallel)[out] = std::move((*parallel)[i]);
        ++out;
    }
    refs.resize(out);
    if (parallel) parallel->resize(out);
}

OrderLines CopyReferencedLines(const LineSet& set, std::span<const LineRef> refs) {
    OrderLines copies(refs.size());
    for (size_t i = 0; i < refs.size(); ++i)
        if (const Line* line = FindLine(set, refs[i])) copies[i] = *line;
    return copies;
}

bool CommitWorkingCopies(LineSet& set, std::span<const LineRef> refs, const OrderLines& copies) {
    bool changed = false;
    const size_t count = std::min(refs.size(), copies.size());
    for (size_t i = 0; i < count; ++i) {
        Line* line = FindLine(set, refs[i]);
        if (!line || line->size() != copies[i].size()) continue;
        if (*line != copies[i]) {
            *line = copies[i];
            changed = true;
        }
    }
    return changed;
}

LineRefs RebuildSelectionAfterOrderMove(const LineSet& set, std::span<const MovedLine> moved) {
    std::array<std::uint32_t, kOrderCount> counters {};
    LineRefs refs;
    for (const MovedLine& entry : moved) {
        const std::uint32_t d = entry.destination;
        if (!entry.kept || d >= set.size() || d >= counters.size()) continue;
        const auto lines = static_cast<std::uint32_t>(set[d].size());
        if (counters[d] >= lines) continue;
        refs.push_back({ d, lines - counters[d] - 1 });
        ++counters[d];
    }
    return refs;
}

} // namespace deptrix
