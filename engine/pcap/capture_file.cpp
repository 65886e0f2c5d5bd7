#include "engine/pcap/capture_file.h"

#include "engine/pcap/pcap_library.h"

namespace qv {
namespace {

pcap_t* pcapOf(void* handle) {
    return static_cast<pcap_t*>(handle);
}

const PcapApi* boundApi(std::string& error) {
    if (PcapLibrary::instance().bind() != 0) {
        error = "libpcap (libpcap.so.1 or libpcap.so.0.8) is not installed or incomplete";
        return nullptr;
    }
    return &PcapLibrary::instance().api();
}

} // namespace

std::unique_ptr<CaptureFile> CaptureFile::open(const std::string& path, std::string& error) {
    const PcapApi* api = boundApi(error);
    if (api == nullptr) {
        return nullptr;
    }
    char errorText[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = api->open_offline(path.c_str(), errorText);
    if (handle == nullptr) {
        error = errorText;
        return nullptr;
    }
    return std::unique_ptr<CaptureFile>(new CaptureFile(handle));
}

CaptureFile::~CaptureFile() {
    PcapLibrary::instance().api().close(pcapOf(m_handle));
}

int CaptureFile::linkType() const {
    return PcapLibrary::instance().api().datalink(pcapOf(m_handle));
}

std::string CaptureFile::linkTypeName() const {
    const int type = linkType();
    const char* name = PcapLibrary::instance().api().datalink_val_to_name(type);
    return std::string(name != nullptr ? name : "unknown") + " (" + std::to_string(type) + ")";
}

CaptureFile::Status CaptureFile::next(CaptureHeader& header, std::span<const std::uint8_t>& bytes,
                                      std::int64_t& microseconds) {
    const PcapApi& api = PcapLibrary::instance().api();
    pcap_pkthdr* h = nullptr;
    const u_char* data = nullptr;
    const int result = api.next_ex(pcapOf(m_handle), &h, &data);
    if (result == PCAP_ERROR_BREAK) {
        return Status::End;
    }
    if (result != 1) {
        m_error = api.geterr(pcapOf(m_handle));
        return Status::Error;
    }
    microseconds = static_cast<std::int64_t>(h->ts.tv_sec) * 1'000'000 + h->ts.tv_usec;
    header.seconds = static_cast<std::uint32_t>(h->ts.tv_sec);
    header.microseconds = static_cast<std::uint32_t>(h->ts.tv_usec);
    header.capturedLength = h->caplen;
    header.wireLength = h->len;
    header.headerLength = CAPTURE_HEADER_LENGTH;
    bytes = std::span(data, h->caplen);
    return Status::Frame;
}

} // namespace qv
