/* C interface of the intent-routing engine library `norvik`.
 *
 * One implicit engine instance, no handle. Text is UTF-8 and NUL-terminated;
 * integers are 32-bit and signed, except the reply lengths, which are unsigned
 * byte counts. A result code of 0 is success. The caller owns every buffer and
 * out-parameter; the engine keeps none of them after returning. */
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

/* Returned by the functions with a reply buffer when the reply and its NUL do
 * not fit; *outLength then holds the reply's length without the NUL. */
#define NORVIK_BUFFER_TOO_SMALL (-4)

NORVIK_API int32_t Norvik_InitDefault(void);
NORVIK_API int32_t Norvik_InitFromFile(const char* path);

NORVIK_API int32_t Norvik_Route(const char* query, char* outJson, int32_t capacity, uint32_t* outLength);
NORVIK_API int32_t Norvik_QuerySimilarity(const char* query, int32_t topK, char* outJson, int32_t capacity,
                                          uint32_t* outLength);
NORVIK_API int32_t Norvik_SemanticScore(const char* query, double* outScore, double* outRaw, int32_t* outCmdId);

NORVIK_API int32_t Norvik_UpdateConfig(const char* configJson);
NORVIK_API int32_t Norvik_GetConfig(char* outJson, int32_t capacity, uint32_t* outLength);

NORVIK_API int32_t Norvik_AddCorpus(const char* corpusJson, int32_t length, int32_t* outCount);
NORVIK_API int32_t Norvik_AddCorpusFromFile(const char* path, int32_t* outCount);
NORVIK_API int32_t Norvik_ClearUserCorpus(void);

/* The number of commands (0 or more), or a negative result code. */
NORVIK_API int32_t Norvik_GetCommandCount(void);

/* Shuts the engine down; the result is informational only. */
NORVIK_API int32_t Norvik_Destroy(void);

/* Engine-owned static text, or null. */
NORVIK_API const char* Norvik_Version(void);

#ifdef __cplusplus
}
#endif

#endif /* NORVIK_H */
