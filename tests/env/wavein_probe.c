/* Opens the default waveform input (WAVE_MAPPER, 8000 Hz, mono, 16-bit PCM) and records a
 * quarter second, to show that Wine reaches the session's sound server. Prints what it saw;
 * exit code 0 when the device opened and the buffer came back, else the failing MMRESULT. */
#include <windows.h>
#include <mmsystem.h>
#include <stdio.h>
#include <stdlib.h>

int main(void)
{
    WAVEFORMATEX format = {WAVE_FORMAT_PCM, 1, 8000, 16000, 2, 16, 0};
    static short samples[2000];
    WAVEHDR header = {(LPSTR)samples, sizeof samples, 0, 0, 0, 0, NULL, 0};
    HWAVEIN device = NULL;
    HANDLE done = CreateEventA(NULL, FALSE, FALSE, NULL);
    MMRESULT result;
    int i, peak = 0;

    printf("waveInGetNumDevs: %u\n", waveInGetNumDevs());
    result = waveInOpen(&device, WAVE_MAPPER, &format, (DWORD_PTR)done, 0, CALLBACK_EVENT);
    printf("waveInOpen: %u\n", result);
    if (result != MMSYSERR_NOERROR)
        return (int)result;
    WaitForSingleObject(done, 0); /* the open itself signals once */
    result = waveInPrepareHeader(device, &header, sizeof header);
    if (result == MMSYSERR_NOERROR)
        result = waveInAddBuffer(device, &header, sizeof header);
    if (result == MMSYSERR_NOERROR)
        result = waveInStart(device);
    printf("waveInStart: %u\n", result);
    while (result == MMSYSERR_NOERROR && !(header.dwFlags & WHDR_DONE))
        if (WaitForSingleObject(done, 10000) == WAIT_TIMEOUT)
            result = MMSYSERR_ERROR;
    for (i = 0; i < (int)(header.dwBytesRecorded / 2); ++i)
        if (abs(samples[i]) > peak)
            peak = abs(samples[i]);
    printf("recorded: %lu bytes, peak %d\n", header.dwBytesRecorded, peak);
    waveInReset(device);
    waveInUnprepareHeader(device, &header, sizeof header);
    waveInClose(device);
    return (int)result;
}
