// Preloaded into the sanitizer test runs: dlclose does nothing, so that Mesa's
// driver stays mapped until the leak check at exit and its own leaks show with
// its name (and match lsan.supp) instead of as "<unknown module>".

extern "C" int dlclose(void*) {
    return 0;
}
