-- What the parser says to the player when it cannot make sense of a command, by error number:
--   1 no verb, 2 an unknown word, 3 a pronoun with nothing to stand for, 4 a misplaced "и",
--   5 no such object here, 6 no action of the object for the verb, 7 several objects answer the
--   name, 8 "опять" with nothing to repeat, 9 a sentence the grammar does not allow.
PARSE_ERROR = {
  'Я не понял, что нужно сделать.',
  'Я не знаю такого слова.',
  'Непонятно, о ком или о чем идет речь.',
  'Я не понял, что соединяет союз «и».',
  'Здесь этого нет.',
  'С этим так поступить нельзя.',
  'Здесь несколько таких предметов. Уточните, какой из них вы имеете в виду.',
  'Пока нечего повторять.',
  'Я не понял, как построена эта фраза.',
}
