// Builds a core's dispatch table: one walker instantiated per member, chosen once per call.
#pragma once
#include <array>
#include <utility>

#include "softrender/pixel_rules.h"

namespace softrender {

template <class Job>
using MemberFn = void (*)(const Job&);

template <int Fmt32, int Core, template <class> class Walker, class Job, size_t... I>
constexpr std::array<MemberFn<Job>, kMemberCount> BuildMemberTable(std::index_sequence<I...>) {
    return {{&Walker<MemberAt<Fmt32, Core, CanonicalIndex<Fmt32, Core>(int(I))>>::Run...}};
}

template <int Fmt32, int Core, template <class> class Walker, class Job>
constexpr std::array<MemberFn<Job>, kMemberCount> MakeMemberTable() {
    return BuildMemberTable<Fmt32, Core, Walker, Job>(std::make_index_sequence<kMemberCount>{});
}

}  // namespace softrender
