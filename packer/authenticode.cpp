#include "packer/authenticode.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pkcs7.h>

#include <fstream>
#include <memory>

#include "package/wire.h"
#include "packer/pack_error.h"

extern char** environ;

namespace voz {

namespace fs = std::filesystem;

namespace {

constexpr uint16_t kWinCertRevision2 = 0x0200;
constexpr uint16_t kWinCertTypePkcsSignedData = 0x0002;
constexpr char kSpcIndirectDataOid[] = "1.3.6.1.4.1.311.2.1.4";

// One DER element: its tag and its contents. Only definite lengths of up to
// four bytes occur in a signature.
struct DerElement {
    uint8_t tag = 0;
    std::span<const uint8_t> contents;
};

DerElement ReadDer(std::span<const uint8_t>& in) {
    if (in.size() < 2) {
        throw PackError("the signed content is cut short");
    }
    DerElement e{in[0], {}};
    size_t length = in[1];
    size_t header = 2;
    if (length & 0x80) {
        const size_t lengthBytes = length & 0x7F;
        if (lengthBytes == 0 || lengthBytes > 4 || in.size() < 2 + lengthBytes) {
            throw PackError("the signed content has a length that cannot be read");
        }
        length = 0;
        for (size_t i = 0; i < lengthBytes; ++i) {
            length = (length << 8) | in[2 + i];
        }
        header += lengthBytes;
    }
    if (length > in.size() - header) {
        throw PackError("the signed content is cut short");
    }
    e.contents = in.subspan(header, length);
    in = in.subspan(header + length);
    return e;
}

DerElement ExpectDer(std::span<const uint8_t>& in, uint8_t tag, const char* what) {
    DerElement e = ReadDer(in);
    if (e.tag != tag) {
        throw PackError(std::string("the signed content has no ") + what);
    }
    return e;
}

constexpr uint8_t kDerSequence = 0x30;
constexpr uint8_t kDerOctetString = 0x04;
constexpr uint8_t kDerOid = 0x06;

struct Pkcs7Deleter {
    void operator()(PKCS7* p) const { PKCS7_free(p); }
};
struct BioChainDeleter {
    void operator()(BIO* b) const { BIO_free_all(b); }
};

// The signer's signature covers the signed content without its outer
// SEQUENCE header. PKCS7_verify takes that content as detached data, so the
// embedded copy is set aside for the call.
// The content goes in behind a pass-through filter: PKCS7_verify copies a bare
// memory BIO into one of its own, which it does not free when the signed data
// turns out unusable.
bool SignerSignatureHolds(PKCS7& p7, std::span<const uint8_t> signedContent) {
    std::unique_ptr<BIO, BioChainDeleter> data(BIO_new(BIO_f_null()));
    BIO* memory = BIO_new_mem_buf(signedContent.data(), static_cast<int>(signedContent.size()));
    if (!data || memory == nullptr) {
        BIO_free(memory);
        return false;
    }
    BIO_push(data.get(), memory);
    ASN1_TYPE* embedded = p7.d.sign->contents->d.other;
    p7.d.sign->contents->d.other = nullptr;
    const bool holds = PKCS7_verify(&p7, nullptr, nullptr, data.get(), nullptr, PKCS7_NOVERIFY) == 1;
    p7.d.sign->contents->d.other = embedded;
    return holds;
}

}  // namespace

SignedDigest ReadSignedDigest(std::span<const uint8_t> table) {
    // The table starts with its u32 length, a u16 revision and a u16 type.
    const uint32_t length = table.size() < 8 ? 0 : LoadLittleEndian32(table.data());
    if (length < 8 || length > table.size()) {
        throw PackError("the certificate table is cut short");
    }
    if (LoadLittleEndian16(table.data() + 4) != kWinCertRevision2 ||
        LoadLittleEndian16(table.data() + 6) != kWinCertTypePkcsSignedData) {
        throw PackError("the certificate table holds no Authenticode signature");
    }
    const uint8_t* der = table.data() + 8;
    std::unique_ptr<PKCS7, Pkcs7Deleter> p7(d2i_PKCS7(nullptr, &der, static_cast<long>(length - 8)));
    if (!p7 || !PKCS7_type_is_signed(p7.get()) || p7->d.sign == nullptr || p7->d.sign->contents == nullptr) {
        throw PackError("the signature is not PKCS#7 signed data");
    }
    PKCS7* content = p7->d.sign->contents;
    char oid[64];
    if (content->type == nullptr || OBJ_obj2txt(oid, sizeof oid, content->type, 1) <= 0 ||
        std::string(oid) != kSpcIndirectDataOid || content->d.other == nullptr ||
        content->d.other->type != V_ASN1_SEQUENCE) {
        throw PackError("the signature does not sign a program's digest");
    }
    const ASN1_STRING* sequence = content->d.other->value.sequence;
    std::span<const uint8_t> encoded(sequence->data, static_cast<size_t>(sequence->length));
    // SpcIndirectDataContent ::= SEQUENCE { data, DigestInfo ::= SEQUENCE {
    //   AlgorithmIdentifier ::= SEQUENCE { OID, parameters }, OCTET STRING } }
    std::span<const uint8_t> indirect = ExpectDer(encoded, kDerSequence, "indirect data").contents;
    const std::span<const uint8_t> signedContent = indirect;
    ExpectDer(indirect, kDerSequence, "data description");
    std::span<const uint8_t> digestInfo = ExpectDer(indirect, kDerSequence, "digest").contents;
    std::span<const uint8_t> algorithm = ExpectDer(digestInfo, kDerSequence, "digest algorithm").contents;
    const DerElement algorithmOid = ExpectDer(algorithm, kDerOid, "digest algorithm");
    const DerElement digest = ExpectDer(digestInfo, kDerOctetString, "digest");

    const unsigned char* oidBytes = algorithmOid.contents.data();
    std::unique_ptr<ASN1_OBJECT, decltype(&ASN1_OBJECT_free)> object(
        ASN1_OBJECT_create(NID_undef, const_cast<unsigned char*>(oidBytes),
                           static_cast<int>(algorithmOid.contents.size()), nullptr, nullptr),
        &ASN1_OBJECT_free);
    const int nid = object ? OBJ_obj2nid(object.get()) : NID_undef;
    const EVP_MD* md = nid == NID_undef ? nullptr : EVP_get_digestbynid(nid);
    if (md == nullptr || static_cast<size_t>(EVP_MD_get_size(md)) != digest.contents.size()) {
        throw PackError("the signature uses a digest algorithm that is not known");
    }
    SignedDigest result;
    result.algorithm = OBJ_nid2sn(nid);
    result.digest.assign(digest.contents.begin(), digest.contents.end());
    result.signerSignatureIntact = SignerSignatureHolds(*p7, signedContent);
    return result;
}

namespace {

// The Authenticode digest: every byte before the certificate table except the
// checksum and the security directory entry.
std::vector<uint8_t> FileDigest(std::ifstream& in, const PeSignatureLayout& layout, const std::string& algorithm) {
    const EVP_MD* md = EVP_get_digestbyname(algorithm.c_str());
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (md == nullptr || !ctx || EVP_DigestInit_ex(ctx.get(), md, nullptr) != 1) {
        throw PackError("the digest cannot be computed");
    }
    const std::pair<uint64_t, uint64_t> ranges[] = {{0, layout.checksumOffset},
                                                    {layout.checksumOffset + 4, layout.securityEntryOffset},
                                                    {layout.securityEntryOffset + 8, layout.certificateOffset}};
    std::vector<char> buffer(1 << 16);
    for (auto [from, to] : ranges) {
        in.seekg(static_cast<std::streamoff>(from));
        for (uint64_t left = to - from; left > 0;) {
            const auto chunk = static_cast<std::streamsize>(std::min<uint64_t>(left, buffer.size()));
            if (!in.read(buffer.data(), chunk)) {
                throw PackError("the file cannot be read");
            }
            EVP_DigestUpdate(ctx.get(), buffer.data(), static_cast<size_t>(chunk));
            left -= static_cast<uint64_t>(chunk);
        }
    }
    std::vector<uint8_t> digest(static_cast<size_t>(EVP_MD_get_size(md)));
    EVP_DigestFinal_ex(ctx.get(), digest.data(), nullptr);
    return digest;
}

}  // namespace

void CheckSignedDigest(const fs::path&, std::ifstream& in, const PeSignatureLayout& layout, SignatureReport& report) {
    const SignedDigest signedDigest = ReadSignedDigest(ReadAt(in, layout.certificateOffset, layout.certificateSize));
    report.algorithm = signedDigest.algorithm;
    report.signatureIntact = signedDigest.signerSignatureIntact;
    report.digestMatches = FileDigest(in, layout, signedDigest.algorithm) == signedDigest.digest;
}

void SignSetup(const fs::path& setup, const fs::path& certificate, const fs::path& key) {
    fs::path temp = setup;
    temp += ".signing" + std::to_string(getpid());
    const std::string in = setup.string(), out = temp.string(), cert = certificate.string(), keyFile = key.string();
    const char* argv[] = {"osslsigncode", "sign", "-certs",   cert.c_str(), "-key",      keyFile.c_str(), "-h",
                          "sha256",       "-in",  in.c_str(), "-out",       out.c_str(), nullptr};
    // osslsigncode reports success on standard output; its errors go to standard error.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "osslsigncode", &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        throw PackError("cannot run osslsigncode (install the osslsigncode package) to sign " + in);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    std::error_code ec;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        fs::remove(temp, ec);
        throw PackError(in + ": osslsigncode could not sign it with " + cert + " and " + keyFile);
    }
    fs::rename(temp, setup, ec);
    if (ec) {
        fs::remove(temp, ec);
        throw PackError(in + ": cannot replace it with its signed copy");
    }
}

}  // namespace voz
