// Shard files: a run that computes only shard K of N of a knot list (the knots at positions i
// with (i - 1) mod N = K - 1) writes everything the results writers need of its knots into one
// file beside the list, and a merge puts the shards of a list back together into the ordinary
// results files, byte for byte what one run over the whole list writes.
//
// The file is text, one record per line, CR LF line ends, fields separated by tabs; in a field
// "\" is written "\\", a tab "\t", CR "\r", LF "\n" and any other control byte "\xHH" (bytes
// from 0x80 on stay as they are):
//   corvane shard file 1
//   shard    K  N
//   list     knots  hash        the list's knot count and ListHash, 16 hexadecimal digits
//   setting  name   value       every setting that changes a results file, and the run seed
//   knot     i  name  lowerBound  upperBound  detectedBy  detectionCodes  text slots 1..20
//            LaTeX slots 1..20  Mahler measure  mu  upper and lower certificates
//                               one line per computed knot, in list order (the certificates may
//                               be missing: files written before them are read without)
//   finished                    only when every knot of the shard is computed
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "knot/run_state.h"
#include "output/file_writer.h"

namespace corvane {

// Name of shard K's file of N for an input file named `inputName` (no directory): the results
// file name (ResultsFileName) with ".shard-K-of-N" before its last "." (at its end when it has
// none). knots.txt -> knots_output.shard-3-of-64.txt, list -> list_output.shard-3-of-64.
std::string ShardFileName(std::string_view inputName, int shard, int count);

// The file of shard K of N beside `inputFile`.
std::filesystem::path ShardFilePath(const std::filesystem::path& inputFile, int shard, int count);

// 64-bit FNV-1a over every knot of the table as read: its input line, its stored row and its
// redone row, each followed by LF, and whether it is taken over. Two readings of the same list
// give the same hash; a list edited between the shard runs and the merge almost surely does not.
uint64_t ListHash(const RunState& state);

// The settings as (name, value) pairs in a fixed order, named and written as corvane-cli takes
// them: every field of RunSettings (the efforts as low..very-large, the value counts as offered,
// the printed columns as one list, the switches as 0 or 1) and the run seed. The number of jobs
// is not among them: it changes no file.
std::vector<std::pair<std::string, std::string>> ShardSettings(const RunSettings& settings,
                                                               uint64_t runSeed);

// The shard file of state's shard (state.ShardNumber of state.ShardCount, both > 0): the
// header, the list's identification and settings, a knot line for every computed knot of the
// shard, and "finished" when every knot of the shard that is not taken over is computed.
std::string ShardFileContents(const RunState& state);

// Writes ShardFileContents(state) whole into ShardFilePath(inputFile, ...); a failure names the
// file and the reason and leaves the previous file intact.
WriteStatus WriteShardFile(const RunState& state, const std::filesystem::path& inputFile);

// One computed knot of a shard file: its list position and the parts of its record that the
// results writers read.
struct ShardKnot {
    int position = 0;
    std::string name;
    int32_t lowerBound = 0;
    int32_t upperBound = 0;
    std::string detectedBy;
    std::string detectionCodes;
    ResultSlotArray textFields;
    ResultSlotArray texFields;
    long double mahlerMeasure = 0.0L;
    int32_t mu = -1;
    std::string upperCertificate;
    std::string lowerCertificate;
    std::string nakanishiCertificate;
};

// A shard file as read.
struct ShardFile {
    int shard = 0;
    int count = 0;
    int knotCount = 0;
    uint64_t listHash = 0;
    std::vector<std::pair<std::string, std::string>> settings;
    std::vector<ShardKnot> knots;
    bool finished = false;
};

// Reads the shard file at `path` into `file`. On failure returns why ("cannot be opened", "line
// 7: malformed knot line"), and `file` is unspecified; the empty string on success.
std::string ReadShardFile(const std::filesystem::path& path, ShardFile& file);

// A shard file found beside a list, by its name.
struct ShardFileEntry {
    int shard = 0;
    int count = 0;
    std::filesystem::path path;
};

// The files beside `inputFile` whose names are ShardFileName(name of inputFile, K, N) for some
// 1 <= K <= N, ordered by N, then K.
std::vector<ShardFileEntry> FindShardFiles(const std::filesystem::path& inputFile);

// What a merge found.
struct MergeReport {
    // Why the shards cannot be merged (shards of different N, of other settings or of another
    // list, a malformed shard file, none at all); empty when they can. The table is then
    // unchanged.
    std::string refusal;
    int count = 0;                // N of the shards
    std::vector<int> missing;     // K of the shards without a file, ascending
    std::vector<int> unfinished;  // K of the shards whose run did not finish, ascending
};

// Fills the knot table of `state` (the list beside which the shard files lie, read and set up
// as at run start; its Settings and RunSeed those of the merge) from the shard files beside
// `inputFile`: every knot a shard file holds takes that file's record and is computed. Knots of
// missing or unfinished shards that no file holds stay uncomputed, so the results files print
// their list lines and a later run of the results file computes them.
MergeReport MergeShards(RunState& state, const std::filesystem::path& inputFile);

}  // namespace corvane
