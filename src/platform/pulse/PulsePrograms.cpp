#include "platform/pulse/PulsePrograms.h"

#include <algorithm>
#include <map>

namespace qsr::audio {

std::vector<PlayingProgram> ListPlayingPrograms(PulseConnection& conn) {
    std::map<std::uint32_t, std::string> monitors;  // sink index -> its monitor
    conn.Wait(pa_context_get_sink_info_list(
        conn.Context(),
        [](pa_context*, const pa_sink_info* i, int eol, void* u) {
            if (eol || !i || !i->monitor_source_name) return;
            (*static_cast<std::map<std::uint32_t, std::string>*>(u))[i->index] =
                i->monitor_source_name;
        },
        &monitors));
    struct Ctx {
        std::vector<PlayingProgram> found;
        std::vector<std::uint32_t> sinks;
    } ctx;
    conn.Wait(pa_context_get_sink_input_info_list(
        conn.Context(),
        [](pa_context*, const pa_sink_input_info* i, int eol, void* u) {
            if (eol || !i) return;
            auto* c = static_cast<Ctx*>(u);
            // The name the program gave the server; its stream's name otherwise.
            const char* app =
                i->proplist ? pa_proplist_gets(i->proplist, PA_PROP_APPLICATION_NAME) : nullptr;
            PlayingProgram p;
            p.sinkInput = i->index;
            p.name = app && *app ? app : (i->name ? i->name : "");
            if (p.name.empty()) return;
            c->found.push_back(std::move(p));
            c->sinks.push_back(i->sink);
        },
        &ctx));
    std::vector<PlayingProgram> out;
    for (std::size_t k = 0; k < ctx.found.size(); ++k) {
        const auto m = monitors.find(ctx.sinks[k]);
        if (m == monitors.end()) continue;  // not (yet) connected to a sink
        ctx.found[k].monitor = m->second;
        out.push_back(std::move(ctx.found[k]));
    }
    return out;
}

std::vector<std::string> ProgramNames(const std::vector<PlayingProgram>& programs) {
    std::vector<std::string> names;
    for (const auto& p : programs) {
        if (std::find(names.begin(), names.end(), p.name) == names.end()) names.push_back(p.name);
    }
    return names;
}

}  // namespace qsr::audio
