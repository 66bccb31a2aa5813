#include "CalDav.h"

#include "LoadedLibrary.h"

#include <curl/curl.h> // types and constants only: the library is loaded when needed
#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

constexpr long MaxRedirects = 5;
constexpr long ConnectSeconds = 15;
constexpr long RequestSeconds = 300;
constexpr long StalledSeconds = 30; // below one byte a second for this long: given up

// libcurl (and the TLS, HTTP/2 and authentication libraries under it) is loaded when the first
// server is asked, not at every start of quorva-cli: most runs never go on the network.
struct TCurl {
    CURLcode (*global_init)(long) = nullptr;
    CURL *(*easy_init)() = nullptr;
    void (*easy_cleanup)(CURL *) = nullptr;
    void (*easy_reset)(CURL *) = nullptr;
    CURLcode (*easy_setopt)(CURL *, CURLoption, ...) = nullptr;
    CURLcode (*easy_getinfo)(CURL *, CURLINFO, ...) = nullptr;
    CURLcode (*easy_perform)(CURL *) = nullptr;
    const char *(*easy_strerror)(CURLcode) = nullptr;
    curl_slist *(*slist_append)(curl_slist *, const char *) = nullptr;
    void (*slist_free_all)(curl_slist *) = nullptr;
    bool Loaded = false;

    TCurl() {
        void *library = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return;
        Loaded = FindSymbol(library, global_init, "curl_global_init") &&
                 FindSymbol(library, easy_init, "curl_easy_init") &&
                 FindSymbol(library, easy_cleanup, "curl_easy_cleanup") &&
                 FindSymbol(library, easy_reset, "curl_easy_reset") &&
                 FindSymbol(library, easy_setopt, "curl_easy_setopt") &&
                 FindSymbol(library, easy_getinfo, "curl_easy_getinfo") &&
                 FindSymbol(library, easy_perform, "curl_easy_perform") &&
                 FindSymbol(library, easy_strerror, "curl_easy_strerror") &&
                 FindSymbol(library, slist_append, "curl_slist_append") &&
                 FindSymbol(library, slist_free_all, "curl_slist_free_all");
        // Creating the library's state is not thread-safe: once per process, before any handle.
        if (Loaded)
            global_init(CURL_GLOBAL_DEFAULT);
    }
};

const TCurl &Curl() {
    static const TCurl curl;
    return curl;
}

struct TReceiving {
    std::string *Body = nullptr;
    std::string *Etag = nullptr;
    bool TooLarge = false;
};

std::size_t ReceiveBody(char *data, std::size_t size, std::size_t count, void *context) {
    auto *receiving = static_cast<TReceiving *>(context);
    const std::size_t length = size * count;
    if (receiving->Body->size() + length > TCalDav::MaxAnswerBytes) {
        receiving->TooLarge = true;
        return 0; // stops the transfer
    }
    receiving->Body->append(data, length);
    return length;
}

// Keeps the ETag header of the last answer (a redirect's answer comes first).
std::size_t ReceiveHeader(char *data, std::size_t size, std::size_t count, void *context) {
    auto *receiving = static_cast<TReceiving *>(context);
    const std::size_t length = size * count;
    std::string_view line(data, length);
    if (line.starts_with("HTTP/"))
        receiving->Etag->clear();
    constexpr std::string_view name = "etag:";
    if (line.size() > name.size() &&
        std::equal(name.begin(), name.end(), line.begin(),
                   [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); })) {
        line.remove_prefix(name.size());
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n' || line.back() == ' '))
            line.remove_suffix(1);
        receiving->Etag->assign(line);
    }
    return length;
}

// An element's name without its namespace prefix: servers choose their own prefixes.
std::string_view LocalName(const pugi::xml_node &node) {
    std::string_view name = node.name();
    const auto colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

pugi::xml_node Child(const pugi::xml_node &node, std::string_view name) {
    for (pugi::xml_node child : node.children())
        if (LocalName(child) == name)
            return child;
    return {};
}

std::vector<pugi::xml_node> Children(const pugi::xml_node &node, std::string_view name) {
    std::vector<pugi::xml_node> found;
    for (pugi::xml_node child : node.children())
        if (LocalName(child) == name)
            found.push_back(child);
    return found;
}

std::string Trimmed(std::string text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.back()))
        text.pop_back();
    std::size_t start = 0;
    while (start < text.size() && blank(text[start]))
        ++start;
    return text.substr(start);
}

std::string XmlEscaped(const std::string &text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

// Percent-decodes a path so that "/a%20b/" and "/a b/" compare equal.
std::string Decoded(const std::string &path) {
    std::string decoded;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '%' && i + 2 < path.size() && std::isxdigit(static_cast<unsigned char>(path[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(path[i + 2]))) {
            decoded += static_cast<char>(std::stoi(path.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            decoded += path[i];
        }
    }
    return decoded;
}

bool IsXml(const std::string &contentType) {
    return contentType.find("xml") != std::string::npos;
}

} // namespace

TCalDav::TCalDav(TCalDavOptions options) : options_(std::move(options)) {
    const std::string &url = options_.Url;
    if (!Curl().Loaded)
        throw TCalDavError(url + " could not be reached: libcurl (libcurl4) is not installed");
    const auto scheme = url.find("://");
    if (scheme == std::string::npos ||
        (url.compare(0, scheme, "http") != 0 && url.compare(0, scheme, "https") != 0))
        throw TCalDavError(url + " is not an http or https address");
    const auto slash = url.find('/', scheme + 3);
    origin_ = url.substr(0, slash);
    path_ = slash == std::string::npos ? "/" : url.substr(slash);
    if (const auto query = path_.find_first_of("?#"); query != std::string::npos)
        path_.resize(query);
    if (path_.back() != '/')
        path_ += '/';
    options_.Url = origin_ + path_;
    curl_ = Curl().easy_init();
    if (!curl_)
        throw TCalDavError(options_.Url + " could not be reached: no HTTP client");
}

TCalDav::~TCalDav() {
    if (curl_)
        Curl().easy_cleanup(static_cast<CURL *>(curl_));
}

void TCalDav::Fail(const std::string &reason) const {
    throw TCalDavError(options_.Url + " " + reason);
}

std::string TCalDav::UrlOf(const std::string &href) const {
    if (href.find("://") != std::string::npos)
        return href;
    return origin_ + (href.starts_with('/') ? href : path_ + href);
}

std::string TCalDav::HrefFor(const std::string &name) const {
    return path_ + name;
}

TCalDav::TAnswer TCalDav::Request(const std::string &method, const std::string &url,
                                  const std::vector<std::string> &headers,
                                  const std::string &body) {
    CURL *curl = static_cast<CURL *>(curl_);
    Curl().easy_reset(curl);
    TAnswer answer;
    TReceiving receiving{&answer.Body, &answer.Etag};
    curl_slist *list = nullptr;
    for (const std::string &header : headers)
        list = Curl().slist_append(list, header.c_str());
    char problem[CURL_ERROR_SIZE] = {};
    Curl().easy_setopt(curl, CURLOPT_URL, url.c_str());
    Curl().easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str());
    Curl().easy_setopt(curl, CURLOPT_HTTPHEADER, list);
    if (!body.empty() || method == "PUT") {
        Curl().easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
        Curl().easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    }
    Curl().easy_setopt(curl, CURLOPT_WRITEFUNCTION, ReceiveBody);
    Curl().easy_setopt(curl, CURLOPT_WRITEDATA, &receiving);
    Curl().easy_setopt(curl, CURLOPT_HEADERFUNCTION, ReceiveHeader);
    Curl().easy_setopt(curl, CURLOPT_HEADERDATA, &receiving);
    Curl().easy_setopt(curl, CURLOPT_ERRORBUFFER, problem);
    Curl().easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    Curl().easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    Curl().easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    Curl().easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    Curl().easy_setopt(curl, CURLOPT_MAXREDIRS, MaxRedirects);
    Curl().easy_setopt(curl, CURLOPT_POSTREDIR,
                       static_cast<long>(CURL_REDIR_POST_ALL)); // keep the method
    Curl().easy_setopt(curl, CURLOPT_UNRESTRICTED_AUTH, 0L);    // no password elsewhere
    Curl().easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, ConnectSeconds);
    Curl().easy_setopt(curl, CURLOPT_TIMEOUT, RequestSeconds);
    Curl().easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    Curl().easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, StalledSeconds);
    Curl().easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    Curl().easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!options_.CaFile.empty())
        Curl().easy_setopt(curl, CURLOPT_CAINFO, options_.CaFile.c_str());
    Curl().easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    if (!options_.User.empty())
        Curl().easy_setopt(curl, CURLOPT_USERNAME, options_.User.c_str());
    if (!options_.Password.empty())
        Curl().easy_setopt(curl, CURLOPT_PASSWORD, options_.Password.c_str());
    else
        Curl().easy_setopt(curl, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_OPTIONAL));
    Curl().easy_setopt(curl, CURLOPT_HTTPAUTH,
                     auth_ == CURLAUTH_BASIC ? CURLAUTH_BASIC : CURLAUTH_BASIC | CURLAUTH_DIGEST);
    const CURLcode result = Curl().easy_perform(curl);
    long offered = 0;
    if (result == CURLE_OK && Curl().easy_getinfo(curl, CURLINFO_HTTPAUTH_AVAIL, &offered) == CURLE_OK &&
        offered != 0)
        auth_ = offered & (CURLAUTH_BASIC | CURLAUTH_DIGEST);
    Curl().slist_free_all(list);
    if (receiving.TooLarge)
        Fail("answered with more than 64 MB; nothing was changed");
    if (result == CURLE_TOO_MANY_REDIRECTS)
        Fail("redirected too many times");
    if (result != CURLE_OK)
        Fail(std::string("could not be reached: ") +
             (problem[0] ? problem : Curl().easy_strerror(result)));
    Curl().easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &answer.Status);
    char *type = nullptr;
    Curl().easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type);
    if (type)
        answer.ContentType = type;
    return answer;
}

void TCalDav::CheckAuthorised(const TAnswer &answer) const {
    if (answer.Status == 401 || answer.Status == 403)
        Fail("refused the user name or password");
}

pugi::xml_node TCalDav::ListingOf(const TAnswer &answer, pugi::xml_document &document) const {
    CheckAuthorised(answer);
    if (answer.Status == 404)
        Fail("is not a CalDAV calendar: the server has nothing there (404)");
    if (answer.Status != 207 || !IsXml(answer.ContentType))
        Fail("is not a CalDAV calendar: it answered " + std::to_string(answer.Status) +
             (answer.ContentType.empty() ? "" : " with " + answer.ContentType) +
             " where a WebDAV listing was expected");
    if (!document.load_buffer(answer.Body.data(), answer.Body.size()))
        Fail("is not a CalDAV calendar: its listing is not well-formed XML");
    const pugi::xml_node root = document.document_element();
    if (LocalName(root) != "multistatus")
        Fail("is not a CalDAV calendar: its listing is not a WebDAV multistatus");
    return root;
}

std::vector<TCalDavItem> TCalDav::List() {
    const TAnswer answer = Request(
        "PROPFIND", options_.Url,
        {"Depth: 1", "Content-Type: application/xml; charset=utf-8"},
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<D:propfind xmlns:D=\"DAV:\"><D:prop><D:resourcetype/><D:getetag/></D:prop>"
        "</D:propfind>\n");
    pugi::xml_document document;
    const pugi::xml_node root = ListingOf(answer, document);
    std::vector<TCalDavItem> items;
    bool calendar = false;
    for (const pugi::xml_node &response : Children(root, "response")) {
        const std::string href = Trimmed(Child(response, "href").text().get());
        std::string etag;
        bool collection = false;
        for (const pugi::xml_node &propstat : Children(response, "propstat")) {
            const std::string status = Child(propstat, "status").text().get();
            if (status.find(" 200") == std::string::npos)
                continue;
            const pugi::xml_node prop = Child(propstat, "prop");
            if (const pugi::xml_node type = Child(prop, "resourcetype")) {
                collection = collection || Child(type, "collection");
                calendar = calendar || Child(type, "calendar");
            }
            if (const pugi::xml_node tag = Child(prop, "getetag"))
                etag = Trimmed(tag.text().get());
        }
        if (collection || href.empty())
            continue;
        if (Decoded(UrlOf(href)) == Decoded(options_.Url))
            continue;
        items.push_back({href, etag, {}});
    }
    if (!calendar)
        Fail("is not a CalDAV calendar: it is no calendar collection");
    return items;
}

void TCalDav::CheckCalendar() {
    const TAnswer answer =
        Request("PROPFIND", options_.Url, {"Depth: 0", "Content-Type: application/xml; charset=utf-8"},
                "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                "<D:propfind xmlns:D=\"DAV:\"><D:prop><D:resourcetype/></D:prop></D:propfind>\n");
    pugi::xml_document document;
    for (const pugi::xml_node &response : Children(ListingOf(answer, document), "response"))
        for (const pugi::xml_node &propstat : Children(response, "propstat"))
            if (Child(Child(Child(propstat, "prop"), "resourcetype"), "calendar"))
                return;
    Fail("is not a CalDAV calendar: it is no calendar collection");
}

bool TCalDav::Changes(std::string &token, std::vector<TCalDavItem> &changed,
                      std::vector<std::string> &removed) {
    std::vector<TCalDavItem> found;
    std::vector<std::string> gone;
    std::string next = token;
    // A server may answer in parts (507 on the collection): asked again from where it stopped.
    for (int part = 0; part < 1000; ++part) {
        const TAnswer answer = Request(
            "REPORT", options_.Url, {"Content-Type: application/xml; charset=utf-8"},
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
            "<D:sync-collection xmlns:D=\"DAV:\"><D:sync-token>" + XmlEscaped(next) +
                "</D:sync-token><D:sync-level>1</D:sync-level><D:prop><D:getetag/><D:resourcetype/></D:prop>"
                "</D:sync-collection>\n");
        // 403 is also how a server says that it no longer knows the token.
        if (answer.Status == 401)
            CheckAuthorised(answer);
        if (answer.Status != 207 || !IsXml(answer.ContentType))
            return false;
        pugi::xml_document document;
        if (!document.load_buffer(answer.Body.data(), answer.Body.size()) ||
            LocalName(document.document_element()) != "multistatus")
            return false;
        const pugi::xml_node root = document.document_element();
        bool more = false;
        for (const pugi::xml_node &response : Children(root, "response")) {
            const std::string href = Trimmed(Child(response, "href").text().get());
            const std::string status = Child(response, "status").text().get();
            if (href.empty() || Decoded(UrlOf(href)) == Decoded(options_.Url)) {
                more = more || status.find(" 507") != std::string::npos;
                continue;
            }
            if (status.find(" 404") != std::string::npos) {
                gone.push_back(href);
                continue;
            }
            TCalDavItem item{href, {}, {}};
            bool collection = false;
            for (const pugi::xml_node &propstat : Children(response, "propstat")) {
                if (std::string(Child(propstat, "status").text().get()).find(" 200") ==
                    std::string::npos)
                    continue;
                const pugi::xml_node prop = Child(propstat, "prop");
                if (const pugi::xml_node tag = Child(prop, "getetag"))
                    item.Etag = Trimmed(tag.text().get());
                collection = collection || Child(Child(prop, "resourcetype"), "collection");
            }
            if (!collection)
                found.push_back(std::move(item));
        }
        next = Trimmed(Child(root, "sync-token").text().get());
        if (next.empty())
            return false;
        if (!more)
            break;
    }
    token = next;
    changed = std::move(found);
    removed = std::move(gone);
    return true;
}

std::vector<TCalDavItem> TCalDav::Fetch(const std::vector<std::string> &hrefs) {
    std::vector<TCalDavItem> fetched;
    for (std::size_t first = 0; first < hrefs.size(); first += FetchBatch) {
        std::string body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                           "<C:calendar-multiget xmlns:D=\"DAV:\" "
                           "xmlns:C=\"urn:ietf:params:xml:ns:caldav\">"
                           "<D:prop><D:getetag/><C:calendar-data/></D:prop>";
        const std::size_t last = std::min(hrefs.size(), first + FetchBatch);
        for (std::size_t i = first; i < last; ++i)
            body += "<D:href>" + XmlEscaped(hrefs[i]) + "</D:href>";
        body += "</C:calendar-multiget>\n";
        const TAnswer answer = Request(
            "REPORT", options_.Url,
            {"Depth: 1", "Content-Type: application/xml; charset=utf-8"}, body);
        CheckAuthorised(answer);
        if (answer.Status != 207 || !IsXml(answer.ContentType))
            Fail("answered " + std::to_string(answer.Status) +
                 " where the calendar data was expected; nothing was changed");
        pugi::xml_document document;
        if (!document.load_buffer(answer.Body.data(), answer.Body.size()) ||
            LocalName(document.document_element()) != "multistatus")
            Fail("sent calendar data that is not a WebDAV multistatus; nothing was changed");
        for (const pugi::xml_node &response : Children(document.document_element(), "response")) {
            TCalDavItem item;
            item.Href = Trimmed(Child(response, "href").text().get());
            for (const pugi::xml_node &propstat : Children(response, "propstat")) {
                if (std::string(Child(propstat, "status").text().get()).find(" 200") ==
                    std::string::npos)
                    continue;
                const pugi::xml_node prop = Child(propstat, "prop");
                if (const pugi::xml_node tag = Child(prop, "getetag"))
                    item.Etag = Trimmed(tag.text().get());
                if (const pugi::xml_node data = Child(prop, "calendar-data"))
                    item.Data = data.text().get();
            }
            if (!item.Href.empty() && !item.Data.empty())
                fetched.push_back(std::move(item));
        }
    }
    return fetched;
}

TCalDav::TWrite TCalDav::Put(const std::string &href, const std::string &ics,
                             const std::string &etag, std::string &newEtag) {
    const TAnswer answer =
        Request("PUT", UrlOf(href),
                {"Content-Type: text/calendar; charset=utf-8",
                 etag.empty() ? std::string("If-None-Match: *") : "If-Match: " + etag},
                ics);
    CheckAuthorised(answer);
    if (answer.Status == 412)
        return TWrite::Changed;
    if (answer.Status < 200 || answer.Status > 299)
        Fail("refused to store " + href + ": " + std::to_string(answer.Status));
    newEtag = answer.Etag;
    return TWrite::Done;
}

TCalDav::TWrite TCalDav::Delete(const std::string &href, const std::string &etag) {
    std::vector<std::string> headers;
    if (!etag.empty())
        headers.push_back("If-Match: " + etag);
    const TAnswer answer = Request("DELETE", UrlOf(href), headers, {});
    CheckAuthorised(answer);
    if (answer.Status == 412)
        return TWrite::Changed;
    if (answer.Status == 404 || answer.Status == 410)
        return TWrite::Done;
    if (answer.Status < 200 || answer.Status > 299)
        Fail("refused to delete " + href + ": " + std::to_string(answer.Status));
    return TWrite::Done;
}
