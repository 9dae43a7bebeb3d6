// map_timer SECONDS_AT_REST PROGRAM [ARGS...]: starts PROGRAM on $DISPLAY and
// prints, one per line: ms from exec to its first top-level window mapped,
// its CPU ms until then, its CPU ms over the following SECONDS_AT_REST
// seconds with nothing done, and its resident memory (KiB) at the end. The
// program is then ended.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

// user + system CPU ms of a live process, from /proc.
double CpuMs(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');
    if (close == std::string::npos) return -1;
    std::string field;
    std::istringstream rest(line.substr(close + 2));
    long utime = 0, stime = 0;
    for (int i = 3; rest >> field; ++i) {
        if (i == 14) utime = std::stol(field);
        if (i == 15) {
            stime = std::stol(field);
            break;
        }
    }
    return (utime + stime) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long RssKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: map_timer SECONDS_AT_REST PROGRAM [ARGS...]\n");
        return 2;
    }
    const int rest = std::atoi(argv[1]);
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "map_timer: no display\n");
        return 2;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    // A round trip: the selection holds before the program starts.
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));

    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    bool mapped = false;
    while (!mapped) {
        xcb_generic_event_t* e = xcb_wait_for_event(c);
        if (!e) break;
        mapped = (e->response_type & 0x7f) == XCB_MAP_NOTIFY;
        free(e);
    }
    const double mapMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const double cpuAtMap = CpuMs(pid);
    std::this_thread::sleep_for(std::chrono::seconds(rest));
    const double cpuAtEnd = CpuMs(pid);
    const long rss = RssKiB(pid);
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    xcb_disconnect(c);
    if (!mapped) return 1;
    std::printf("%.1f\n%.1f\n%.1f\n%ld\n", mapMs, cpuAtMap, cpuAtEnd - cpuAtMap, rss);
    return 0;
}
