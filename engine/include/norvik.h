/* norvik.h: the C interface of the intent-routing engine library `norvik`
 * (libnorvik.so, norvik.dll).
 *
 * The engine holds a corpus of known commands and a routing configuration, and
 * scores a user's request against them. There is one engine per process and no
 * handle: every function works on that one instance.
 *
 * TEXT. Every text passed in or handed out is UTF-8 and ends with a NUL, except
 * the corpus text of Norvik_AddCorpus, which comes with its byte length.
 * Invalid UTF-8 in a query is skipped, never an error.
 *
 * INTEGERS. 32-bit and signed, except reply lengths (uint32_t byte counts).
 *
 * RESULT CODES. Every function but Norvik_Version and Norvik_LastErrorMessage
 * returns one of the codes below (Norvik_GetCommandCount returns a count of 0
 * or more on success). A caller reports any other non-zero code verbatim: an
 * engine of a later version may add codes. A function checks its arguments
 * first, then whether the engine is initialised.
 *
 * FAILURES CHANGE NOTHING. A call that fails leaves the engine exactly as it
 * was: a corpus or configuration is built aside and takes effect only when it
 * is complete and valid.
 *
 * OWNERSHIP. The caller owns every buffer and out-parameter it passes; the
 * engine reads and writes them only during the call and keeps no pointer to
 * them afterwards. A reply buffer is written only when the reply and its NUL
 * fit; nothing is ever written past `capacity` bytes. Out-parameters are
 * written only on success, except *outLength, which also carries the needed
 * length with NORVIK_BUFFER_TOO_SMALL. Texts the engine hands out
 * (Norvik_Version, Norvik_LastErrorMessage) belong to the engine and must not
 * be freed.
 *
 * THREADS. Every function may be called from any thread, at the same time as
 * any other. Reading calls (route, similarity, score, configuration, count)
 * see the engine either before or after a concurrent change, never half of
 * one. The last error message is kept per thread.
 *
 * LIFECYCLE. Norvik_InitDefault or Norvik_InitFromFile starts the engine (and
 * restarts it: a later init replaces the whole state). Norvik_Destroy stops it;
 * the engine can be started again. Before the first init and after a destroy,
 * the other functions return NORVIK_NOT_INITIALIZED.
 *
 * ERROR MESSAGES. After a failure, Norvik_LastErrorMessage() says in words what
 * was wrong and where: the file as opened, the line and column of a JSON error,
 * the corpus member and command, the configuration key and its allowed values.
 * Engines built before this function existed do not export it; a caller that
 * must work with them looks it up at run time (dlsym, GetProcAddress) instead
 * of linking to it.
 */
#ifndef NORVIK_H
#define NORVIK_H

#include <stdint.h>

#if defined(_WIN32)
#if defined(NORVIK_BUILDING_LIBRARY)
#define NORVIK_API __declspec(dllexport)
#else
#define NORVIK_API __declspec(dllimport)
#endif
#else
#define NORVIK_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes. */
#define NORVIK_OK 0
/* Called before Norvik_InitDefault / Norvik_InitFromFile, or after Norvik_Destroy. */
#define NORVIK_NOT_INITIALIZED (-1)
/* A null pointer where one is not allowed, a negative capacity or length, or a
 * configuration value of the wrong type or outside its allowed range. */
#define NORVIK_INVALID_ARGUMENT (-2)
/* Input the engine cannot use: a file that cannot be read, text that is not
 * JSON, or a corpus whose content is invalid. */
#define NORVIK_BAD_INPUT (-3)
/* The reply and its NUL do not fit in the buffer. Nothing was written to the
 * buffer; *outLength holds the reply's length without the NUL. */
#define NORVIK_BUFFER_TOO_SMALL (-4)
/* The engine failed inside: out of memory, or anything unexpected. No C++
 * exception ever leaves a function of this interface. */
#define NORVIK_INTERNAL (-5)

/* ---- Lifecycle -------------------------------------------------------- */

/* Starts (or restarts) the engine with its built-in corpus and default
 * configuration. Returns NORVIK_OK, or NORVIK_INTERNAL. */
NORVIK_API int32_t Norvik_InitDefault(void);

/* Starts (or restarts) the engine with the corpus file at `path` (a UTF-8
 * path; a relative one is resolved against the process's working directory at
 * the time of the call). The file is read during the call and not kept.
 * Returns NORVIK_OK; NORVIK_INVALID_ARGUMENT for a null path; NORVIK_BAD_INPUT
 * when the file cannot be read or its corpus is invalid (the engine is then
 * unchanged: still stopped, or still running on its previous corpus);
 * NORVIK_INTERNAL. */
NORVIK_API int32_t Norvik_InitFromFile(const char* path);

/* Stops the engine and frees its corpus. Always returns NORVIK_OK; calling it
 * on a stopped engine does nothing. Replies and texts already handed out are
 * the caller's and stay valid. */
NORVIK_API int32_t Norvik_Destroy(void);

/* The engine's version text, e.g. "norvik-reference 1.0.0": static text owned
 * by the library, valid until it is unloaded. Works at any time. May be null
 * for engines that have no version. */
NORVIK_API const char* Norvik_Version(void);

/* ---- Routing ---------------------------------------------------------- */

/* Routes `query`: writes a JSON object and a NUL to `outJson` (a buffer of
 * `capacity` bytes) and its length without the NUL to *outLength. The object
 * holds "target" ("local", "llm" or "chat"), "confidence", "reasoning",
 * "scores", "matchedCommand" and "patternAction" (and "candidates" when the
 * configuration is verbose). `outJson` may be null when `capacity` is 0, to
 * ask for the length. Returns NORVIK_OK; NORVIK_BUFFER_TOO_SMALL with the
 * needed length in *outLength (call again with at least that plus one);
 * NORVIK_INVALID_ARGUMENT (null query or outLength, negative capacity, null
 * buffer with a positive capacity); NORVIK_NOT_INITIALIZED; NORVIK_INTERNAL. */
NORVIK_API int32_t Norvik_Route(const char* query, char* outJson, int32_t capacity, uint32_t* outLength);

/* The `topK` commands most similar to `query`, best first, as
 * {"matches":[{"id":..,"similarity":..,"name":..},...]} in `outJson`, written
 * like Norvik_Route's reply. `topK` <= 0 gives no matches. Returns as
 * Norvik_Route does. */
NORVIK_API int32_t Norvik_QuerySimilarity(const char* query, int32_t topK, char* outJson, int32_t capacity,
                                          uint32_t* outLength);

/* The best similarity of `query` to any command (in [0, 1]) in *outScore, its
 * raw score in *outRaw, and that command's id in *outCmdId: 0, 0 and -1 when
 * nothing matches. Returns NORVIK_OK; NORVIK_INVALID_ARGUMENT for a null
 * pointer; NORVIK_NOT_INITIALIZED; NORVIK_INTERNAL. */
NORVIK_API int32_t Norvik_SemanticScore(const char* query, double* outScore, double* outRaw, int32_t* outCmdId);

/* ---- Configuration ---------------------------------------------------- */

/* Changes the routing configuration with a JSON object holding any of
 * "localThreshold" (a number from 0 to 1), "verbose" (true or false) and
 * "weights" (an object with any of "semantic", "complexity", "domainKeyword",
 * "openEnded", "entityMatch": finite numbers >= 0, at least one of the five
 * positive). Missing members keep their values; unknown members are ignored.
 * Returns NORVIK_OK; NORVIK_BAD_INPUT when the text is not a JSON object;
 * NORVIK_INVALID_ARGUMENT for a null text or a value of the wrong type or out
 * of range (nothing changes then); NORVIK_NOT_INITIALIZED; NORVIK_INTERNAL. */
NORVIK_API int32_t Norvik_UpdateConfig(const char* configJson);

/* The whole configuration as a JSON object in `outJson`, written like
 * Norvik_Route's reply. Returns as Norvik_Route does. */
NORVIK_API int32_t Norvik_GetConfig(char* outJson, int32_t capacity, uint32_t* outLength);

/* ---- Corpus ----------------------------------------------------------- */

/* Adds the commands of a corpus text of `length` bytes (NULs included; the
 * text need not end with a NUL) to the user layer: a command whose id is
 * already in effect replaces it. *outCount receives the number of commands in
 * the text. `corpusJson` may be null when `length` is 0. Returns NORVIK_OK;
 * NORVIK_INVALID_ARGUMENT (null outCount, negative length, null text with a
 * positive length); NORVIK_BAD_INPUT for malformed JSON or an invalid command
 * (nothing is added then); NORVIK_NOT_INITIALIZED; NORVIK_INTERNAL. */
NORVIK_API int32_t Norvik_AddCorpus(const char* corpusJson, int32_t length, int32_t* outCount);

/* Norvik_AddCorpus with the text of the file at `path` (resolved like
 * Norvik_InitFromFile's). Returns as Norvik_AddCorpus does, and
 * NORVIK_BAD_INPUT when the file cannot be read. */
NORVIK_API int32_t Norvik_AddCorpusFromFile(const char* path, int32_t* outCount);

/* Drops every command added by Norvik_AddCorpus*, so that the commands they
 * replaced are in effect again. Returns NORVIK_OK; NORVIK_NOT_INITIALIZED;
 * NORVIK_INTERNAL. */
NORVIK_API int32_t Norvik_ClearUserCorpus(void);

/* The number of commands in effect (0 or more), or a negative result code:
 * NORVIK_NOT_INITIALIZED, NORVIK_INTERNAL. */
NORVIK_API int32_t Norvik_GetCommandCount(void);

/* ---- Errors ----------------------------------------------------------- */

/* What the calling thread's last call of a function above that returns a
 * result code went wrong with, in English, e.g.
 *   "cannot read the corpus file \"corpus.json\" (resolved against the working
 *    directory \"/home/pet\" as \"/home/pet/corpus.json\"): no such file"
 *   "\"/home/pet/corpus.json\": malformed JSON at line 3, column 14: trailing
 *    comma before ']'"
 * The text of a call that succeeded is "" (never null). Each thread has its
 * own text: calls on other threads do not change it. The text belongs to the
 * engine and stays valid until the same thread calls another function of this
 * interface or ends; copy it to keep it. Norvik_Version and this function leave
 * it unchanged. An engine may shorten a very long text; the reference engine
 * keeps at most 4095 bytes, cut between two characters.
 *
 * Optional: engines that predate it do not export it (see ERROR MESSAGES). */
NORVIK_API const char* Norvik_LastErrorMessage(void);

#ifdef __cplusplus
}
#endif

#endif /* NORVIK_H */
