// kestrin: the evaluation program. This build offers the headless runner (kestrin --headless).
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--headless") != 0) {
        std::fprintf(stderr, "usage: kestrin --headless [options]\n");
        return 2;
    }
    return 0;
}
