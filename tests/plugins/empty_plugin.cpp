// A library without plug-in entry points: loaded and freed, never called.
extern "C" int testplugin_empty_marker() { return 0; }
