// The play-state hash and scene names that the headless harness reports.
#include "frame/play_state.h"

#include <cxxabi.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <typeinfo>

#include "frame/game.h"
#include "scenes/command_list.h"

namespace {
class Fnv {
public:
    void Bytes(const void* data, size_t n) {
        const unsigned char* b = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < n; ++i) h_ = (h_ ^ b[i]) * 0x100000001b3ULL;
    }
    void U32(uint32_t v) {
        unsigned char le[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        Bytes(le, 4);
    }
    void Int(int32_t v) { U32(uint32_t(v)); }
    void Flag(bool v) {
        unsigned char b = v ? 1 : 0;
        Bytes(&b, 1);
    }
    void Float(float f) {
        uint32_t bits;
        memcpy(&bits, &f, 4);
        U32(bits);
    }
    uint64_t Value() const { return h_; }

private:
    uint64_t h_ = 0xcbf29ce484222325ULL;
};

// Names demangled once per class.
struct NameCache {
    std::map<const std::type_info*, std::string> names;
};
NameCache g_names;
}  // namespace

const std::string& TaskClassName(const CTask& task) {
    const std::type_info* type = &typeid(task);
    auto found = g_names.names.find(type);
    if (found != g_names.names.end()) return found->second;
    int status = 0;
    char* readable = abi::__cxa_demangle(type->name(), nullptr, nullptr, &status);
    std::string name = status == 0 && readable ? readable : type->name();
    free(readable);
    return g_names.names[type] = name;
}

uint64_t PlayStateHash(const CGame& game) {
    Fnv h;
    h.Int(game.GetScore());
    h.Int(game.GetLives());
    h.Int(game.GetStage());
    h.Int(game.GetMode());
    h.Int(game.Random().A());
    h.Int(game.Random().B());
    h.Int(game.Random().C());
    h.Flag(game.IsPaused());
    h.Flag(game.IsPlayEnded());
    h.Int(game.Script().Position());
    h.Int(game.Script().Wait());
    h.Flag(game.Script().IsStop());
    for (PoolId p : {POOL_PLAYER, POOL_SHOT, POOL_SPECIAL, POOL_BULLET, POOL_EFFECT, POOL_ENEMY, POOL_ITEM}) {
        for (CTaskList::iterator it(game.Pool(p)); it.HasNext();) {
            const CMover* m = static_cast<const CMover*>(it.Next());
            const std::string& name = TaskClassName(*m);
            h.Bytes(name.c_str(), name.size() + 1);
            h.Float(m->x);
            h.Float(m->y);
        }
    }
    return h.Value();
}

std::string SceneNames(const CGame& game) {
    std::string names;
    for (CTaskList::iterator it(game.Pool(POOL_SCENE)); it.HasNext();) {
        if (!names.empty()) names += "+";
        names += TaskClassName(*it.Next());
    }
    return names.empty() ? "-" : names;
}
