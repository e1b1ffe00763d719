#include "processor/filtercoefficients.h"

#include <cmath>

namespace Kestrum
{

const std::int32_t kTabledRates[kNumTabledRates] = {22050, 32000,  44100,  48000,  88200,
                                                    96000, 176400, 192000, 352800, 384000};

namespace
{

// The fixed sets, 17 significant digits each so that every double is
// reproduced exactly; rows follow kTabledRates. Sets depend only on the ratio
// of edge to rate, so some rows repeat across modes to the last bit.
const FilterCoefficients kTable[kNumFilterModes][kNumTabledRates] = {
    {
        // kModeSuperLow, stop band edge 5 Hz
        {0.99596400100384996, -2.9878904867034883, 2.9878904867034888, -0.99596400100385019, 1.0,
         -2.9919101604073202, 2.9838545237117589, -0.99194429129559669}, // 22050 Hz
        {0.99721719529774222, -2.9916508650334346, 2.9916508650334346, -0.997217195297742, 1.0,
         -2.9944259139392297, 2.9888680721256287, -0.99444213459749509}, // 32000 Hz
        {0.99797995915816995, -2.9939394976301821, 2.9939394976301816, -0.99797995915816973, 1.0,
         -2.9959554533973476, 2.9919194612980142, -0.99596399888134268}, // 44100 Hz
        {0.99814393501088561, -2.9944314843527837, 2.9944314843527837, -0.99814393501088527, 1.0,
         -2.9962841008667551, 2.9925754228615702, -0.99629131499901513}, // 48000 Hz
        {0.9989894688595663, -2.9969683115215577, 2.9969683115215573, -0.99898946885956608, 1.0,
         -2.997977820924528, 2.9959577809454023, -0.99797995889231828}, // 88200 Hz
        {0.99907153637999258, -2.9972145288955048, 2.9972145288955048, -0.99907153637999258, 1.0,
         -2.998142130033175, 2.9962860657131412, -0.99814393480467878}, // 96000 Hz
        {0.99949460670195789, -2.9984837963295718, 2.9984837963295718, -0.99949460670195789, 1.0,
         -2.9989889341346578, 2.9979784031021, -0.99898946882630135}, // 176400 Hz
        {0.99953566037145125, -2.9986069610439157, 2.9986069610439152, -0.99953566037145092, 1.0,
         -2.999071085006443, 2.9981426214700972, -0.99907153635419277}, // 192000 Hz
        {0.99974727141302944, -2.9992418082935104, 2.9992418082935104, -0.99974727141302944, 1.0,
         -2.9994944729999187, 2.9989890797153631, -0.99949460669779755}, // 352800 Hz
        {0.99976780322644121, -2.9993034046605493, 2.9993034046605493, -0.99976780322644143, 1.0,
         -2.9995355475119236, 2.999071207893834, -0.99953566036822461}, // 384000 Hz
    },
    {
        // kModeBassDrop, stop band edge 12.5 Hz
        {0.9899405612872495, -2.9698122642534663, 2.9698122642534663, -0.98994056128724972, 1.0,
         -2.979769951491904, 2.9597533847078323, -0.97998231488169518}, // 22050 Hz
        {0.99305751362821559, -2.9791680543046399, 2.9791680543046399, -0.99305751362821559, 1.0,
         -2.9860621590397542, 2.972225751452505, -0.98616322537345136}, // 32000 Hz
        {0.99495755101652439, -2.9848702862124585, 2.9848702862124581, -0.99495755101652417, 1.0,
         -2.9898872386541053, 2.979827907479061, -0.98994052832479928}, // 44100 Hz
        {0.99536629845947988, -2.9860968967067572, 2.9860968967067572, -0.99536629845947977, 1.0,
         -2.9907090725547092, 2.9814632496688382, -0.99075406810892586}, // 48000 Hz
        {0.99747558710737694, -2.9924261681153266, 2.992426168115327, -0.99747558710737716, 1.0,
         -2.9949441995440154, 2.989901764026186, -0.99495754687520654}, // 88200 Hz
        {0.99768045748450318, -2.9930408716238741, 2.9930408716238741, -0.99768045748450318, 1.0,
         -2.9953550270332254, 2.9907213359370401, -0.99536629524648701}, // 96000 Hz
        {0.99873699570427366, -2.9962108386235755, 2.9962108386235755, -0.99873699570427366, 1.0,
         -2.9974722466376242, 2.9949478354296759, -0.99747558658839819}, // 176400 Hz
        {0.99883955522493306, -2.9965185403219241, 2.9965185403219241, -0.99883955522493306, 1.0,
         -2.99767763761034, 2.9953580964014317, -0.9976804570819422}, // 192000 Hz
        {0.99936829829613794, -2.9981048577426375, 2.9981048577426375, -0.99936829829613794, 1.0,
         -2.9987361602616414, 2.9974731561765906, -0.9987369956393185}, // 352800 Hz
        {0.99941960916051409, -2.9982587961251244, 2.9982587961251244, -0.99941960916051409, 1.0,
         -2.9988388500041996, 2.9976784053925223, -0.99883955517455458}, // 384000 Hz
    },
    {
        // kModeGuitar, stop band edge 20 Hz
        {0.98395364477280056, -2.9518369659678028, 2.9518369659678032, -0.98395364477280078, 1.0,
         -2.9676235591793869, 2.9357928872404648, -0.96816477506135468}, // 22050 Hz
        {0.98891521422160067, -2.9667342049318157, 2.9667342049318162, -0.98891521422160089, 1.0,
         -2.9776953696730928, 2.955650167714821, -0.9779533009189193}, // 32000 Hz
        {0.99194430820678559, -2.9758268838680446, 2.9758268838680446, -0.99194430820678559, 1.0,
         -2.9838173946180264, 2.9677714789478014, -0.98395351058383362}, // 44100 Hz
        {0.99259640074703892, -2.977784099880489, 2.977784099880489, -0.99259640074703914, 1.0,
         -2.9851326632300772, 2.9703807232490038, -0.98524761477597322}, // 48000 Hz
        {0.99596400100384996, -2.9878904867034883, 2.9878904867034888, -0.99596400100385019, 1.0,
         -2.9919101604073202, 2.9838545237117589, -0.99194429129559669}, // 88200 Hz
        {0.99629131664560155, -2.9888726695981571, 2.9888726695981567, -0.99629131664560144, 1.0,
         -2.9925675706890686, 2.9851640141750218, -0.99259638762342595}, // 96000 Hz
        {0.99797995915816995, -2.9939394976301821, 2.9939394976301816, -0.99797995915816973, 1.0,
         -2.9959554533973476, 2.9919194612980142, -0.99596399888134268}, // 176400 Hz
        {0.99814393501088561, -2.9944314843527837, 2.9944314843527837, -0.99814393501088527, 1.0,
         -2.9962841008667551, 2.9925754228615702, -0.99629131499901513}, // 192000 Hz
        {0.9989894688595663, -2.9969683115215577, 2.9969683115215573, -0.99898946885956608, 1.0,
         -2.997977820924528, 2.9959577809454023, -0.99797995889231828}, // 352800 Hz
        {0.99907153637999258, -2.9972145288955048, 2.9972145288955048, -0.99907153637999258, 1.0,
         -2.998142130033175, 2.9962860657131412, -0.99814393480467878}, // 384000 Hz
    },
};

// 40 dB stop band: ripple factor 1/sqrt(10^4 - 1).
constexpr double kStopBandAttenuationDb = 40.0;
constexpr double kPi = 3.14159265358979323846;

} // namespace

double stopBandEdge(FilterMode mode)
{
    switch (mode)
    {
    case kModeSuperLow:
        return 5.0;
    case kModeBassDrop:
        return 12.5;
    case kModeGuitar:
        return 20.0;
    }
    return 0.0;
}

bool tabledCoefficients(FilterMode mode, std::int32_t rateHz, FilterCoefficients& out)
{
    if (mode >= kNumFilterModes)
        return false;
    for (int i = 0; i < kNumTabledRates; ++i)
    {
        if (kTabledRates[i] == rateHz)
        {
            out = kTable[mode][i];
            return true;
        }
    }
    return false;
}

// Written with real arithmetic only (no std::complex division, whose
// algorithm varies between libraries) so the result is the same everywhere;
// it meets the table within 1.4e-15.
FilterCoefficients designCoefficients(FilterMode mode, double sampleRate)
{
    const double fe = stopBandEdge(mode);
    const double epsilon = 1.0 / std::sqrt(std::pow(10.0, kStopBandAttenuationDb / 10.0) - 1.0);
    const double mu = std::asinh(1.0 / epsilon) / 3.0;
    const double sinhMu = std::sinh(mu);
    const double coshMu = std::cosh(mu);

    const double k = 2.0 * sampleRate; // bilinear map z = (k + s) / (k - s)
    const double omegaE = k * std::tan(kPi * fe / sampleRate);

    // Real pole -omegaE*sinh(mu), mapped.
    const double realPole = (k - omegaE * sinhMu) / (k + omegaE * sinhMu);

    // Pole pair sigma +- j*omega (theta = pi/6 and 5*pi/6), mapped: the real
    // part and squared magnitude of (k + p) / (k - p). sin(pi/6) is exactly
    // one half; std::sin would return one ulp less.
    const double sigma = -omegaE * sinhMu * 0.5;
    const double omega = omegaE * coshMu * std::cos(kPi / 6.0);
    const double pairDen = (k - sigma) * (k - sigma) + omega * omega;
    const double pairRe = (k * k - sigma * sigma - omega * omega) / pairDen;
    const double pairMag2 = ((k + sigma) * (k + sigma) + omega * omega) / pairDen;

    // Zeros at s = 0 (z = 1) and s = +-j*w, which land on the unit circle at
    // real part c.
    const double w = omegaE * std::cos(kPi / 6.0);
    const double c = (k * k - w * w) / (k * k + w * w);

    FilterCoefficients out{};
    out.a0 = 1.0;
    out.a1 = -2.0 * pairRe - realPole;
    out.a2 = pairMag2 + 2.0 * realPole * pairRe;
    out.a3 = -realPole * pairMag2;

    // (1 - z^-1)(1 - 2c z^-1 + z^-2), scaled to unity gain at z = -1.
    const double n1 = -2.0 * c - 1.0;
    const double n2 = 1.0 + 2.0 * c;
    const double denAtNyquist = 1.0 - out.a1 + out.a2 - out.a3;
    const double numAtNyquist = 4.0 + 4.0 * c;
    const double gain = denAtNyquist / numAtNyquist;
    out.b0 = gain;
    out.b1 = gain * n1;
    out.b2 = gain * n2;
    out.b3 = -gain;
    return out;
}

bool isDesignable(FilterMode mode, double sampleRate)
{
    const double fe = stopBandEdge(mode);
    // At or below twice the edge the prewarped edge leaves the left half plane.
    return fe > 0.0 && std::isfinite(sampleRate) && sampleRate > 2.0 * fe;
}

bool coefficientsForRate(FilterMode mode, double sampleRate, FilterCoefficients& out)
{
    if (!isDesignable(mode, sampleRate))
        return false;
    // Truncation toward zero: 44100.9 Hz takes the 44100 Hz row.
    if (sampleRate < 2147483648.0 &&
        tabledCoefficients(mode, static_cast<std::int32_t>(sampleRate), out))
        return true;
    out = designCoefficients(mode, sampleRate);
    return true;
}

} // namespace Kestrum
