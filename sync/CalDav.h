#pragma once
// A small CalDAV (RFC 4791) client for one calendar collection: what a sync needs and no
// more. HTTP through libcurl, the WebDAV answers read with pugixml.
//
// Safety: TLS certificates are verified (against caFile when given); the user name and
// password go to the URL's host only, never to a host a redirect leads to; redirects are
// followed a few times, http and https only; every answer is cut off at MaxAnswerBytes and
// every request at a time limit, so a broken or hostile server ends in a clear error.

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace pugi {
class xml_document;
class xml_node;
} // namespace pugi

// Why the server could not be used, in one line naming the URL: "URL could not be reached:
// REASON", "URL refused the user name or password", "URL is not a CalDAV calendar: REASON".
class TCalDavError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TCalDavOptions {
    std::string Url;      // the calendar collection, http or https
    std::string User;     // empty: none, or the one in ~/.netrc
    std::string Password; // empty: the one in ~/.netrc for the URL's host, if any
    std::string CaFile;   // a private certificate authority; empty: the system's
};

// One calendar object resource of the collection.
struct TCalDavItem {
    std::string Href; // the path as the server names it
    std::string Etag;
    std::string Data; // the iCalendar text, where it was fetched
};

class TCalDav {
public:
    static constexpr std::size_t MaxAnswerBytes = 64 * 1024 * 1024;
    static constexpr std::size_t FetchBatch = 100; // resources per calendar-multiget

    explicit TCalDav(TCalDavOptions options);
    ~TCalDav();
    TCalDav(const TCalDav &) = delete;
    TCalDav &operator=(const TCalDav &) = delete;

    // Every resource of the collection with its ETag; throws TCalDavError when the URL is no
    // calendar or the server cannot be used.
    std::vector<TCalDavItem> List();
    // Throws TCalDavError unless the URL is a calendar collection (one small request).
    void CheckCalendar();
    // What changed since token (WebDAV sync-collection, RFC 6578; an empty token asks for
    // everything): resources new or changed, with their ETags, and hrefs removed; token
    // becomes the server's new one. False, with nothing changed, when the server does not
    // offer it or no longer knows the token: List is the way then.
    bool Changes(std::string &token, std::vector<TCalDavItem> &changed,
                 std::vector<std::string> &removed);
    // The calendar data of the resources, by href; a resource gone meanwhile is left out.
    // Throws when any part of the download fails: nothing half-read is ever returned.
    std::vector<TCalDavItem> Fetch(const std::vector<std::string> &hrefs);

    enum class TWrite { Done, Changed }; // Changed: the resource changed since etag (412)
    // Creates (empty etag: only where nothing is) or replaces (only while it has etag) the
    // resource; newEtag is the server's ETag for what was written, or empty when it gave none.
    TWrite Put(const std::string &href, const std::string &ics, const std::string &etag,
               std::string &newEtag);
    // Deletes the resource while it has etag; one already gone counts as done.
    TWrite Delete(const std::string &href, const std::string &etag);

    // The href of a new resource named name (letters, digits, '-', '.') in the collection.
    std::string HrefFor(const std::string &name) const;

private:
    struct TAnswer {
        long Status = 0;
        std::string Body;
        std::string ContentType;
        std::string Etag;
    };
    TAnswer Request(const std::string &method, const std::string &url,
                    const std::vector<std::string> &headers, const std::string &body);
    std::string UrlOf(const std::string &href) const; // scheme and host of the URL + href
    [[noreturn]] void Fail(const std::string &reason) const;
    void CheckAuthorised(const TAnswer &answer) const;
    // The multistatus a PROPFIND of the URL answered, read into document; a clear failure
    // where the answer is no WebDAV listing.
    pugi::xml_node ListingOf(const TAnswer &answer, pugi::xml_document &document) const;

    TCalDavOptions options_;
    std::string origin_; // "https://host:port"
    std::string path_;   // the collection's path, ending with '/'
    void *curl_ = nullptr;
    // The schemes credentials may go by: Basic or Digest until the server named its own. A
    // server that only takes Basic gets it with each request, rather than after a refusal.
    long auth_ = 0;
};
