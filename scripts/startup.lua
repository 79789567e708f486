-- The engine's start-up script, run when the console first shows and again for a new game: it
-- loads the object protocol and builds a fresh world, forgetting the objects of the previous one.

_ALERT = error_print

dofile 'objects.lua'
dofile 'messages.lua'

new_world('Мир')
world:create('player', 'Игрок')
