// A library named as libpcap that has none of its entry points. Found first on LD_LIBRARY_PATH, it
// stands for a libpcap that is missing or incomplete, without root and without touching the
// system's own.
extern "C" int quorvane_not_libpcap() {
    return 0;
}
