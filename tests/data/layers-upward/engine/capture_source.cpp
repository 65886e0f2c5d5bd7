#include <pcap.h>
