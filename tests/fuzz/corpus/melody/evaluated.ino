#define TEMPO 90
#define REST 0
const int melody[] PROGMEM = {NOTE_E5, 8, REST, -4, 440, 16};
const int notes = sizeof(melody) / sizeof(melody[0]) / 2;
long wholenote = (60000 * 4) / TEMPO;
float swing = 1.5;
int beep(int note, long length) { tone(8, note, length * 0.9); delay(length); noTone(8); return length % 7; }
void setup() {
  for (int i = 0; i < notes * 2; i += 2) {
    int divider = pgm_read_word(melody + i + 1);
    long length = divider > 0 ? wholenote / divider : (long)(wholenote / abs(divider) * swing);
    if (i == 2 && !(length > 100 || length < 5)) continue; else beep(pgm_read_word(&melody[i]), length);
  }
  int k = 0;
  while (k++ < 3) { tone(8, NOTE_C4 + k); delay(20 / k); }
  do { k--; } while (k > 0);
}
void loop() { delay(100); while (1); }
